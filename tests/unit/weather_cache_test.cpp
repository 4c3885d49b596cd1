#include "weather/weather_cache.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int64_t kSecond = 10'000'000;             // 100 ns units
constexpr int64_t kNow = 13'400'000'000 * kSecond;  // some day in the 2020s

std::string Document(const std::string& place, const std::string& temperature = "5", const std::string& unit = "C") {
  return "<weather><head><ut>" + unit + "</ut></head><loc id=\"X\"><dnam>" + place + "</dnam></loc><cc><lsup>12/7/2010 7:40 PM Local Time</lsup><tmp>" +
         temperature + "</tmp><t>Fair</t><icon>34</icon></cc><dayf><day d=\"0\" dt=\"Dec 7\"><hi>N/A</hi>"
         "<part p=\"d\"><icon>44</icon><t>N/A</t></part></day></dayf></weather>";
}
const std::string kErrorAnswer = "<error><err type=\"1\">Invalid location provided</err></error>";

// Files of the data folder in memory, a settable clock, and a scripted answer.
class FakeWeatherPlatform : public WeatherPlatform {
 public:
  std::map<std::wstring, WeatherFile> files;
  int64_t now = kNow;
  std::optional<std::string> answer;  // nothing: the download fails
  std::vector<std::wstring> downloads;
  std::vector<std::wstring> reads;
  int thread_starts = 0;
  wchar_t units = kMetricUnits;

  int64_t Now() override { return now; }
  std::optional<WeatherFile> ReadDataFile(std::wstring_view name) override {
    reads.emplace_back(name);
    const auto found = files.find(std::wstring(name));
    if (found == files.end()) return std::nullopt;
    return found->second;
  }
  bool Download(const std::wstring& address, std::wstring_view name) override {
    downloads.push_back(address);
    if (!answer) return false;
    files[std::wstring(name)] = WeatherFile{*answer, now};
    return true;
  }
  bool ReplaceDataFile(std::wstring_view from, std::wstring_view to) override {
    const auto found = files.find(std::wstring(from));
    if (found == files.end()) return false;
    files[std::wstring(to)] = found->second;
    files.erase(found);
    return true;
  }
  void RemoveDataFile(std::wstring_view name) override { files.erase(std::wstring(name)); }
  bool StartWeatherThread() override {
    ++thread_starts;
    weather_thread_id = 42;
    return true;
  }
  std::wstring WeatherQuery() override { return FormatWeatherQuery(L"http://w.test", L"RSXX0091", units); }
  wchar_t WeatherUnits() override { return units; }

  void PutWeatherFile(const std::string& bytes, int64_t age_seconds) {
    files[kWeatherFileName] = WeatherFile{bytes, now - age_seconds * kSecond};
  }
};

class WeatherCache : public testing::Test {
 protected:
  // The report, the thread id and the retry time live for the process.
  void SetUp() override {
    PublishWeatherReport(WeatherReport{});
    weather_thread_id = 0;
    weather_retry_after = 0;
  }
  FakeWeatherPlatform platform;
};

TEST_F(WeatherCache, AFreshFileIsReadAndOnlyAStaleOrMissingOneStartsOneThread) {
  struct Case {
    const char* what;
    std::optional<int64_t> file_age_seconds;
    int expected_starts;
  };
  const Case cases[] = {
      {"14 minutes old", 14 * 60, 0},
      {"16 minutes old", 16 * 60, 1},
      {"written in the future", -3600, 0},
      {"missing", std::nullopt, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    platform.files.clear();
    platform.thread_starts = 0;
    if (c.file_age_seconds) platform.PutWeatherFile(Document("Here"), *c.file_age_seconds);
    for (int call = 0; call < 3; ++call) RefreshWeather(platform);  // repeated checks while the thread runs
    EXPECT_EQ(platform.thread_starts, c.expected_starts);
    // The report is the file's in every case, stale or not.
    EXPECT_EQ(WeatherReady(), c.file_age_seconds.has_value());
  }
}

TEST_F(WeatherCache, OnlyACompleteAnswerReplacesTheDocumentAndAFailureWaitsAMinute) {
  struct Case {
    const char* what;
    std::optional<std::string> answer;
    bool replaced;
  };
  const Case cases[] = {
      {"a complete answer", Document("There", "-3"), true},
      {"an error answer", kErrorAnswer, false},
      {"a body without its observation time", Document("There").substr(0, 60), false},
      {"a failed download", std::nullopt, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    platform.files.clear();
    platform.downloads.clear();
    platform.thread_starts = 0;
    platform.now = kNow;
    platform.PutWeatherFile(Document("Here"), 3600);
    platform.answer = c.answer;

    RefreshWeather(platform);
    ASSERT_EQ(platform.thread_starts, 1);
    FetchWeather(platform);
    weather_thread_id = 0;  // the weather thread's last step
    EXPECT_EQ(platform.files.count(kWeatherTempFileName), 0u);
    const WeatherReport report = CurrentWeatherReport();
    EXPECT_EQ(report.location_name.View(), c.replaced ? L"There" : L"Here");
    EXPECT_EQ(report.current_temp, c.replaced ? -3 : 5);
    EXPECT_EQ(ReadWeatherBytes(platform.files.at(kWeatherFileName).bytes).location_name.View(),
              report.location_name.View());

    // A success keeps the quarter-hour rhythm; a failure retries after a minute, not at every check.
    platform.now = kNow + 59 * kSecond;
    RefreshWeather(platform);
    EXPECT_EQ(platform.thread_starts, 1);
    platform.now = kNow + 61 * kSecond;
    RefreshWeather(platform);
    EXPECT_EQ(platform.thread_starts, c.replaced ? 1 : 2);
  }
  EXPECT_EQ(platform.downloads.front(),
            L"http://w.test/weather/local/RSXX0091?cc=*&prod=xoap&par=5512093847&key=9b0d41e7c2a5f386&dayf=5&unit=m");
}

// While the weather thread runs it owns weather.xml and its temporary file
// and publishes what it fetched; a read may come late but never goes back.
TEST_F(WeatherCache, TheMainThreadNeverGoesBehindTheWeatherThread) {
  platform.PutWeatherFile(Document("Here"), 3600);
  platform.files[kWeatherTempFileName] = WeatherFile{Document("There").substr(0, 40), kNow};
  ReadWeatherDocument(platform);
  weather_thread_id = 42;
  platform.reads.clear();
  RefreshWeather(platform);
  RemoveWeatherLeftover(platform);
  EXPECT_EQ(platform.reads, std::vector<std::wstring>{});
  EXPECT_EQ(platform.files.count(kWeatherTempFileName), 1u);
  EXPECT_EQ(platform.thread_starts, 0);
  weather_thread_id = 0;
  RemoveWeatherLeftover(platform);
  EXPECT_EQ(platform.files.count(kWeatherTempFileName), 0u);

  // A read that began before the thread published its newer report.
  struct Case {
    const char* what;
    int64_t published_age, file_age;
    const wchar_t* shown;
  };
  const Case cases[] = {
      {"an older file", 0, 3600, L"There"},
      {"the same file", 60, 60, L"Here"},
      {"a newer file", 3600, 60, L"Here"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WeatherReport published = ReadWeatherBytes(Document("There"));
    published.file_time = kNow - c.published_age * kSecond;
    PublishWeatherReport(published);
    platform.PutWeatherFile(Document("Here"), c.file_age);
    ReadWeatherDocument(platform);
    EXPECT_EQ(CurrentWeatherReport().location_name.View(), c.shown);
  }
}

TEST_F(WeatherCache, QueryTakesTheLocationUnchangedOrNothingWhenItDoesNotFit) {
  EXPECT_EQ(FormatWeatherQuery(L"http://w.test", L"A B&C"),
            L"http://w.test/weather/local/A B&C?cc=*&prod=xoap&par=5512093847&key=9b0d41e7c2a5f386&dayf=5&unit=m");
  const std::wstring host(259 - 88, L'h');  // the rest of the query is 88 characters
  EXPECT_EQ(FormatWeatherQuery(host, L"RSXX0091").size(), 259u);
  EXPECT_EQ(FormatWeatherQuery(host + L"h", L"RSXX0091"), L"");
}

// A fresh document asked for in the other unit system is stale; a feed that
// answers in the other system anyway is not asked again before 15 minutes.
TEST_F(WeatherCache, ADocumentInTheOtherUnitsIsFetchedAnew) {
  const struct {
    wchar_t units;
    const char* cached_unit;
    int starts;
  } cases[] = {{kMetricUnits, "C", 0}, {kStandardUnits, "F", 0}, {kStandardUnits, "C", 1}, {kMetricUnits, "f", 1},
               {kStandardUnits, "K", 0}};
  for (const auto& c : cases) {
    SetUp();
    platform = FakeWeatherPlatform{};
    platform.units = c.units;
    platform.PutWeatherFile(Document("Here", "5", c.cached_unit), 60);
    RefreshWeather(platform);
    EXPECT_EQ(platform.thread_starts, c.starts) << char(c.units) << " over " << c.cached_unit;
  }
  SetUp();
  FakeWeatherPlatform p;
  p.units = kStandardUnits;
  p.answer = Document("Here", "41", "C");
  EXPECT_FALSE(FetchWeather(p));
  EXPECT_NE(p.downloads.at(0).find(L"&unit=s"), std::wstring::npos);
  EXPECT_EQ(CurrentWeatherReport().current_temp, 41);
  for (const auto [minutes, starts] : {std::pair{14, 0}, {16, 1}}) {
    p.now = kNow + minutes * 60 * kSecond;
    RefreshWeather(p);
    EXPECT_EQ(p.thread_starts, starts) << minutes << " minutes on";
  }
}

TEST_F(WeatherCache, DiscardForgetsTheReportAndTheFileSoTheNextCheckFetchesAtOnce) {
  platform.PutWeatherFile(Document("Here"), 60);
  RefreshWeather(platform);
  ASSERT_TRUE(WeatherReady());
  weather_retry_after = kNow + 3600 * kSecond;  // an earlier failure must not delay the new place
  DiscardWeather(platform);
  EXPECT_FALSE(WeatherReady());
  EXPECT_EQ(platform.files.count(kWeatherFileName), 0u);
  RefreshWeather(platform);
  EXPECT_EQ(platform.thread_starts, 1);
}

TEST_F(WeatherCache, ForecastTakesTodayFromTheCurrentConditionsWhenItsIconIsMissing) {
  platform.PutWeatherFile(Document("Here", "7"), 60);
  ReadWeatherDocument(platform);
  const WeatherReport forecast = ForecastWeatherReport();
  EXPECT_EQ(forecast.days[0].day_icon, 34);
  EXPECT_EQ(forecast.days[0].high, 7);
  EXPECT_EQ(forecast.days[0].day_text.View(), L"Fair");
  EXPECT_EQ(CurrentWeatherReport().days[0].day_icon, 34);  // lasts until the next read
}

// The weather thread publishes while the slides take copies: every copy is
// one whole document, never a mix of two.
TEST_F(WeatherCache, ReaderAndDrawerSideBySide) {
  const std::string documents[2] = {Document("Aaaa", "1"), Document("Bbbbbbbb", "2")};
  std::atomic<bool> done{false};
  std::thread reader([&] {
    FakeWeatherPlatform own;
    for (int i = 0; i < 2000; ++i) {
      own.PutWeatherFile(documents[i % 2], 0);
      ReadWeatherDocument(own);
    }
    done = true;
  });
  int mixed = 0;
  while (!done) {
    const WeatherReport copy = ForecastWeatherReport();
    const bool a = copy.location_name.View() == L"Aaaa" && copy.current_temp == 1;
    const bool b = copy.location_name.View() == L"Bbbbbbbb" && copy.current_temp == 2;
    if (!a && !b && WeatherReportComplete(copy)) ++mixed;
  }
  reader.join();
  EXPECT_EQ(mixed, 0);
}

}  // namespace
