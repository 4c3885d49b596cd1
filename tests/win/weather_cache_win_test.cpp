// The weather cache's reading of weather.xml on a real (Wine) file system.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "base/data_folder.h"
#include "base/win_handle.h"
#include "weather/weather_cache.h"
#include "weather/weather_cache_win.h"

namespace {

// Another saver process that is about to replace weather.xml holds it open
// for writing and deleting; the read beside it must still work.
TEST(WeatherCacheWin, ReadsTheDocumentWhileAnotherProcessMayReplaceIt) {
  wchar_t base[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, base);
  const std::wstring folder = std::wstring(base) + L"velmora-weather-" + std::to_wstring(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  SetDataFolder(folder);
  const std::wstring path = DataPath(kWeatherFileName);
  {
    const FileHandle other(CreateFileW(path.c_str(), GENERIC_WRITE | DELETE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(other);
    const std::string document = "<weather><dnam>Hollin</dnam><cc><lsup>12/7/2010 7:40 PM</lsup></cc></weather>";
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(other.get(), document.data(), static_cast<DWORD>(document.size()), &written, nullptr));
    PublishWeatherReport(WeatherReport{});
    weather_thread_id = 0;
    weather_retry_after = std::numeric_limits<int64_t>::max();  // no fetch from here
    RefreshWeather();
    EXPECT_TRUE(WeatherReady());
  }
  PublishWeatherReport(WeatherReport{});
  weather_retry_after = 0;
  DeleteFileW(path.c_str());
  RemoveDirectoryW(folder.c_str());
}

}  // namespace
