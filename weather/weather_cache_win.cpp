#include "weather/weather_cache_win.h"

#include <windows.h>

#include <string>

#include "app/data_folder.h"
#include "app/file_time_win.h"
#include "app/run_state.h"
#include "app/tracked_thread_win.h"
#include "app/win_handle.h"
#include "net/http_fetch_win.h"
#include "settings/settings.h"
#include "weather/weather_cache.h"

namespace {

unsigned __stdcall WeatherThreadMain(void*);

class WinWeatherPlatform final : public WeatherPlatform {
 public:
  int64_t Now() override { return SystemTimeNow(); }

  std::optional<WeatherFile> ReadDataFile(std::wstring_view name) override {
    const FileHandle file(CreateFileW(DataPath(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    WeatherFile result;
    char block[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), block, sizeof block, &got, nullptr) && got > 0) result.bytes.append(block, got);
    FILETIME written{};
    if (GetFileTime(file.get(), nullptr, nullptr, &written)) result.last_write = FileTimeValue(written);
    return result;
  }

  bool Download(const std::wstring& address, std::wstring_view name) override {
    return DownloadFile(address, DataPath(name));
  }

  bool ReplaceDataFile(std::wstring_view from, std::wstring_view to) override {
    return MoveFileExW(DataPath(from).c_str(), DataPath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
  }

  void RemoveDataFile(std::wstring_view name) override { DeleteFileW(DataPath(name).c_str()); }

  bool StartWeatherThread() override { return StartTrackedThread(WeatherThreadMain, weather_thread_id, WeatherLock()); }

  std::wstring WeatherQuery() override {
    return FormatWeatherQuery(settings.weather_host.View(), settings.weather_loc_id.View());
  }
};

unsigned __stdcall WeatherThreadMain(void*) {
  WinWeatherPlatform platform;
  RunWeatherThread(platform);
  return 0;
}

}  // namespace

void RefreshWeather() {
  WinWeatherPlatform platform;
  RefreshWeather(platform);
}

void DiscardWeather() {
  WinWeatherPlatform platform;
  DiscardWeather(platform);
}
