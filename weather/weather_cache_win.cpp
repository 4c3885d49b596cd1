#include "weather/weather_cache_win.h"

#include <windows.h>

#include <optional>
#include <string>
#include <utility>

#include "base/background_thread.h"
#include "base/data_folder.h"
#include "base/file_time_win.h"
#include "base/run_state.h"
#include "base/thread_name_win.h"
#include "base/whole_file_win.h"
#include "base/win_handle.h"
#include "net/http_fetch_win.h"
#include "settings/settings.h"
#include "weather/weather_cache.h"

namespace {

void RunWeatherThread();

class WinWeatherPlatform final : public WeatherPlatform {
 public:
  int64_t Now() override { return SystemTimeNow(); }

  std::optional<WeatherFile> ReadDataFile(std::wstring_view name) override {
    // Sharing writes and deletes too: another saver process may be replacing
    // the file, and our read must not make that fail.
    const FileHandle file(CreateFileW(DataPath(name).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    FILETIME written{};
    if (!GetFileTime(file.get(), nullptr, nullptr, &written)) return std::nullopt;
    // Downloads are bounded; a larger file was put here by hand and counts as unreadable.
    std::optional<std::string> bytes = ReadWholeFile(file.get(), kWeatherAnswerLimit);
    if (!bytes) return std::nullopt;
    return WeatherFile{std::move(*bytes), FileTimeValue(written)};
  }

  bool Download(const std::wstring& address, std::wstring_view name) override {
    return DownloadFile(address, DataPath(name), kWeatherAnswerLimit);
  }

  bool ReplaceDataFile(std::wstring_view from, std::wstring_view to) override {
    return MoveFileExW(DataPath(from).c_str(), DataPath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
  }

  void RemoveDataFile(std::wstring_view name) override { DeleteFileW(DataPath(name).c_str()); }

  bool StartWeatherThread() override {
    return StartTrackedThread(
        [] {
          NameThisThread(L"velmora weather");
          RunWeatherThread();
        },
        weather_thread_id, WeatherLock());
  }

  std::wstring WeatherQuery() override {
    return FormatWeatherQuery(settings.weather_host.View(), settings.weather_loc_id.View(), WeatherUnits());
  }

  wchar_t WeatherUnits() override { return settings.weather_unit; }
};

void RunWeatherThread() {
  WinWeatherPlatform platform;
  FetchWeather(platform);
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

void RemoveWeatherLeftover() {
  WinWeatherPlatform platform;
  RemoveWeatherLeftover(platform);
}
