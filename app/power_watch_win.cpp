#include "app/power_watch_win.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "base/power_state.h"

namespace {

// Missing from MinGW's import library.
constexpr GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
constexpr GUID kMonitorPowerOn = {0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};

class PowerNotification {
 public:
  PowerNotification(HWND window, HPOWERNOTIFY handle) : window_(window), handle_(handle) {}
  ~PowerNotification() {
    if (handle_ != nullptr) UnregisterPowerSettingNotification(handle_);
  }
  PowerNotification(PowerNotification&& other) noexcept
      : window_(other.window_), handle_(std::exchange(other.handle_, nullptr)) {}
  PowerNotification& operator=(PowerNotification&& other) noexcept {
    std::swap(window_, other.window_);
    std::swap(handle_, other.handle_);
    return *this;
  }
  HWND window() const { return window_; }

 private:
  HWND window_;
  HPOWERNOTIFY handle_;
};

std::vector<PowerNotification> registrations;
PowerState power;

bool SameGuid(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

void OnSetting(const POWERBROADCAST_SETTING& setting) {
  if (!SameGuid(setting.PowerSetting, kConsoleDisplayState) && !SameGuid(setting.PowerSetting, kMonitorPowerOn))
    return;
  if (setting.DataLength < sizeof(DWORD)) return;
  DWORD value = 0;
  std::memcpy(&value, setting.Data, sizeof(value));
  if (const std::optional<PowerEvent> event = DisplayStateEvent(value)) power.Apply(*event);
}

}  // namespace

void WatchPower(HWND window) {
  HPOWERNOTIFY handle = RegisterPowerSettingNotification(window, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
  if (handle == nullptr)
    handle = RegisterPowerSettingNotification(window, &kMonitorPowerOn, DEVICE_NOTIFY_WINDOW_HANDLE);
  if (handle != nullptr) registrations.emplace_back(window, handle);
}

void UnwatchPower(HWND window) {
  std::erase_if(registrations, [window](const PowerNotification& r) { return r.window() == window; });
}

void OnPowerBroadcast(WPARAM event, LPARAM data) {
  switch (event) {
    case PBT_POWERSETTINGCHANGE:
      if (data != 0) OnSetting(*reinterpret_cast<const POWERBROADCAST_SETTING*>(data));
      break;
    case PBT_APMSUSPEND:
      power.Apply(PowerEvent::Suspend);
      break;
    case PBT_APMRESUMEAUTOMATIC:
    case PBT_APMRESUMESUSPEND:
      power.Apply(PowerEvent::Resume);
      break;
  }
}

bool NobodyLooks() { return power.NobodyLooks(); }
