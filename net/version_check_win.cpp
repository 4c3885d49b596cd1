#include "net/version_check_win.h"

#include <windows.h>


#include "base/data_folder.h"
#include "net/http_fetch_win.h"
#include "net/version_check.h"
#include "settings/settings_file_win.h"

namespace {

using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOEXW*);

// GetVersionExW reports the version the program's manifest and compatibility
// shims make it believe; the kernel's own query tells the running version.
std::optional<WindowsVersion> RunningWindowsVersion() {
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  bool known = false;
  if (const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
    if (const FARPROC proc = GetProcAddress(ntdll, "RtlGetVersion")) {
      known = reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void*>(proc))(&info) == 0;
    }
  }
  if (!known) known = GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info)) != FALSE;
  if (!known) return std::nullopt;
  return WindowsVersion{info.dwMajorVersion, info.dwMinorVersion, info.wServicePackMajor, info.wServicePackMinor};
}

class WindowsVersionPlatform final : public VersionPlatform {
 public:
  std::optional<WindowsVersion> QueryWindowsVersion() override { return RunningWindowsVersion(); }

  bool FetchAnswer(const std::wstring& address, std::string& answer) override {
    return DownloadToMemory(address, DataPath(kAnswerFileName), kAnswerLimit, answer) && !answer.empty();
  }

  void SaveNewver() override { SaveSettings(SettingsOwner::VersionCheck); }

  void RemoveAnswerFile() override { DeleteFileW(DataPath(kAnswerFileName).c_str()); }
};

}  // namespace

void CheckVersion() {
  WindowsVersionPlatform platform;
  RunVersionCheck(platform);
}
