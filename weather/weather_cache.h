// The cached weather document and the one published report the slides draw
// from: when the document is read, when a new one is fetched on the weather
// thread, and how the report passes from the reading thread to the drawing.
// Files, network, clock and the thread start come through WeatherPlatform,
// so the rules run the same natively and on Windows.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "weather/weather_document.h"

inline constexpr int64_t kWeatherFreshSeconds = 900;
// After a failed or incomplete fetch the next one waits at least this long.
inline constexpr int64_t kWeatherRetrySeconds = 60;
inline constexpr wchar_t kWeatherFileName[] = L"weather.xml";
// Fetches land here first; only a complete document replaces weather.xml.
inline constexpr wchar_t kWeatherTempFileName[] = L"weather.xml.tmp";
inline constexpr int64_t kTicksPerSecond = 10'000'000;  // 100 ns units
// A weather answer is a few kilobytes; anything beyond this is not one.
inline constexpr uint64_t kWeatherAnswerLimit = 1ull << 20;

// The published report. The reading thread fills a private report and
// publishes it whole; the drawing code takes a copy. Both hold one lock that
// lives until the process ends.
void PublishWeatherReport(const WeatherReport& report);
WeatherReport CurrentWeatherReport();
// The forecast's view: when today's day icon is 44 (not available), today's
// column takes the current icon, temperature and text. The change is made in
// the published report itself, under the lock, and lasts until the next read.
WeatherReport ForecastWeatherReport();
bool WeatherReady();  // the published report is complete

// Fresh: younger than 900 s; a file time in the future counts as fresh.
bool WeatherFresh(const WeatherReport& report, int64_t now);

// The unit systems the weather query can ask for: the feed answers "m" in °C,
// kilometres and millimetres, "s" in °F, miles and inches.
inline constexpr wchar_t kMetricUnits = L'm';
inline constexpr wchar_t kStandardUnits = L's';

// The weather query for `location_id`, inserted unchanged, in `units`; empty
// when the address would not fit in 259 characters.
std::wstring FormatWeatherQuery(std::wstring_view weather_host, std::wstring_view location_id,
                                wchar_t units = kMetricUnits);

// False when the report's temperature letter is that of the other unit system
// (C when `units` is "s", F when it is "m"): the document was asked for in the
// other system and is stale. Any other letter counts as a match.
bool WeatherUnitsMatch(const WeatherReport& report, wchar_t units);

struct WeatherFile {
  std::string bytes;
  int64_t last_write = 0;  // 100 ns units since 1601-01-01 UTC
};

class WeatherPlatform {
 public:
  virtual ~WeatherPlatform() = default;
  virtual int64_t Now() = 0;  // 100 ns units since 1601-01-01 UTC
  // A data folder file's bytes and last-write time; nothing when it cannot be opened.
  virtual std::optional<WeatherFile> ReadDataFile(std::wstring_view name) = 0;
  // True only when the whole answer is in the data folder file `name`.
  virtual bool Download(const std::wstring& address, std::wstring_view name) = 0;
  // Replaces data folder file `to` by `from` in one step.
  virtual bool ReplaceDataFile(std::wstring_view from, std::wstring_view to) = 0;
  virtual void RemoveDataFile(std::wstring_view name) = 0;
  // Starts the weather thread (which calls FetchWeather and then clears
  // weather_thread_id); false when it could not be made.
  virtual bool StartWeatherThread() = 0;
  virtual std::wstring WeatherQuery() = 0;  // for the configured host, location id and units
  virtual wchar_t WeatherUnits() { return kMetricUnits; }
};

// Id of the running weather thread, 0 when none runs: set by the main thread
// before the thread can run, cleared by the weather thread as its last step,
// after FetchWeather.
extern std::atomic<uint32_t> weather_thread_id;
// Earliest time (100 ns units) the next fetch may start: set by the weather
// thread after a fetch that failed or brought an incomplete document, read by
// the main thread.
extern std::atomic<int64_t> weather_retry_after;

// Reads weather.xml and publishes it unless the published report comes from a
// newer file (the weather thread's, published while this read ran); true when
// the report published afterwards is complete and fresh.
bool ReadWeatherDocument(WeatherPlatform& platform);

// Downloads into the temporary file and, when that reads complete, replaces
// weather.xml with it and publishes it. An answer in the other unit system
// (a feed that ignores the query's) is shown, and the next fetch waits until
// it would be stale by age. Anything else leaves the old file and
// the report as they were, removes the temporary file and sets the retry time.
bool FetchWeather(WeatherPlatform& platform);

// Main thread: does nothing while the weather thread runs. Otherwise re-reads
// a stale or incomplete report from the file, then starts the weather thread
// when the data is still not fresh and the retry time has passed. Cheap when
// the data is fresh.
void RefreshWeather(WeatherPlatform& platform);

// Main thread, at the photo scan: removes the temporary file of a fetch that
// never ended, unless the weather thread runs and owns it.
void RemoveWeatherLeftover(WeatherPlatform& platform);

// Clears the published report and removes weather.xml.
void DiscardWeather(WeatherPlatform& platform);
