#include "weather/weather_cache.h"

#include <mutex>

#include "base/data_folder.h"

std::atomic<uint32_t> weather_thread_id{0};
std::atomic<int64_t> weather_retry_after{0};

namespace {

// Hand-over of the report: the reading thread (main or weather thread) builds
// a private report and copies it in whole under this lock; the slides copy it
// out under the same lock, so neither ever sees half a document. Allocated
// once and never freed, like the report itself: the weather thread may still
// publish while the process ends.
struct PublishedReport {
  std::mutex lock;
  WeatherReport report;
};

PublishedReport& Published() {
  static PublishedReport& published = *new PublishedReport;
  return published;
}

// A read of weather.xml that began before the weather thread replaced the
// file and published its report must not put the older report back. Judged
// under the lock, so no publication can come between the test and the copy.
// Returns the report that is published afterwards.
WeatherReport PublishUnlessOlder(const WeatherReport& report) {
  PublishedReport& p = Published();
  const std::lock_guard hold(p.lock);
  if (report.file_time >= p.report.file_time) p.report = report;
  return p.report;
}

}  // namespace

void PublishWeatherReport(const WeatherReport& report) {
  PublishedReport& p = Published();
  const std::lock_guard hold(p.lock);
  p.report = report;
}

WeatherReport CurrentWeatherReport() {
  PublishedReport& p = Published();
  const std::lock_guard hold(p.lock);
  return p.report;
}

WeatherReport ForecastWeatherReport() {
  PublishedReport& p = Published();
  const std::lock_guard hold(p.lock);
  ForecastDay& today = p.report.days[0];
  if (today.day_icon == kUnknownWeatherCode) {
    today.day_icon = p.report.current_icon;
    today.high = p.report.current_temp;
    today.day_text = p.report.current_text;
  }
  return p.report;
}

bool WeatherReady() {
  PublishedReport& p = Published();
  const std::lock_guard hold(p.lock);
  return WeatherReportComplete(p.report);
}

bool WeatherFresh(const WeatherReport& report, int64_t now) {
  return now - report.file_time < kWeatherFreshSeconds * kTicksPerSecond;
}

std::wstring FormatWeatherQuery(std::wstring_view weather_host, std::wstring_view location_id, wchar_t units) {
  std::wstring address(weather_host);
  address += L"/weather/local/";
  address += location_id;
  address += L"?cc=*&prod=xoap&par=5512093847&key=9b0d41e7c2a5f386&dayf=5&unit=";
  address += units;
  // A cut query would ask for another place or drop the key.
  if (address.size() > kMaxPath - 1) return {};
  return address;
}

bool WeatherUnitsMatch(const WeatherReport& report, wchar_t units) {
  const wchar_t other = units == kStandardUnits ? L'C' : L'F';
  return ToUpperAscii(report.temp_unit) != other;
}

namespace {

// The report read from one data folder file; incomplete and cleared when the
// file cannot be opened.
WeatherReport ReadReportFile(WeatherPlatform& platform, std::wstring_view name) {
  const std::optional<WeatherFile> file = platform.ReadDataFile(name);
  if (!file) return WeatherReport{};
  WeatherReport report = ReadWeatherBytes(file->bytes);
  report.file_time = file->last_write;
  return report;
}

bool CompleteAndFresh(const WeatherReport& report, int64_t now, wchar_t units) {
  return WeatherReportComplete(report) && WeatherFresh(report, now) && WeatherUnitsMatch(report, units);
}

}  // namespace

bool ReadWeatherDocument(WeatherPlatform& platform) {
  const WeatherReport published = PublishUnlessOlder(ReadReportFile(platform, kWeatherFileName));
  return CompleteAndFresh(published, platform.Now(), platform.WeatherUnits());
}

bool FetchWeather(WeatherPlatform& platform) {
  const std::wstring query = platform.WeatherQuery();
  WeatherReport fetched;
  bool stored = false;
  if (!query.empty() && platform.Download(query, kWeatherTempFileName)) {
    // An error answer or a cut body must not replace a good document.
    fetched = ReadReportFile(platform, kWeatherTempFileName);
    stored = WeatherReportComplete(fetched) && platform.ReplaceDataFile(kWeatherTempFileName, kWeatherFileName);
  }
  if (!stored) {
    platform.RemoveDataFile(kWeatherTempFileName);
    weather_retry_after = platform.Now() + kWeatherRetrySeconds * kTicksPerSecond;
    return false;
  }
  // The replacement keeps the file's last-write time, so the report read from
  // the temporary file is the one weather.xml now holds.
  PublishWeatherReport(fetched);
  if (!WeatherUnitsMatch(fetched, platform.WeatherUnits())) {
    weather_retry_after = fetched.file_time + kWeatherFreshSeconds * kTicksPerSecond;
  }
  return CompleteAndFresh(fetched, platform.Now(), platform.WeatherUnits());
}

void RefreshWeather(WeatherPlatform& platform) {
  // While the weather thread runs, weather.xml is its own: it replaces the
  // file and publishes the report itself. Only this thread starts it, so
  // testing the id outside the lock cannot let a second one start; and the
  // thread clears the id after it has published, so a read after a 0 sees
  // the file it left.
  if (weather_thread_id != 0) return;
  const wchar_t units = platform.WeatherUnits();
  if (!CompleteAndFresh(CurrentWeatherReport(), platform.Now(), units)) ReadWeatherDocument(platform);
  const int64_t now = platform.Now();
  if (CompleteAndFresh(CurrentWeatherReport(), now, units)) return;
  if (now < weather_retry_after) return;
  platform.StartWeatherThread();
}

void DiscardWeather(WeatherPlatform& platform) {
  PublishWeatherReport(WeatherReport{});
  platform.RemoveDataFile(kWeatherFileName);
  // A new place deserves a fetch at once, not after a failure of the old one.
  weather_retry_after = 0;
}

void RemoveWeatherLeftover(WeatherPlatform& platform) {
  // Only the main thread starts the weather thread, so none can start between
  // this test and the removal.
  if (weather_thread_id != 0) return;
  platform.RemoveDataFile(kWeatherTempFileName);
}
