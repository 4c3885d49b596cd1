#include "app/more_settings_dialog_win.h"

#include <commctrl.h>

#include "res/resource.h"
#include "settings/policy.h"
#include "settings/settings.h"
#include "settings/settings_file_win.h"
#include "weather/weather_cache_win.h"

namespace {

constexpr struct {
  MonitorMode mode;
  int id;
} kMonitorButtons[] = {{MonitorMode::Primary, IDC_MONITORS_PRIMARY},
                       {MonitorMode::Black, IDC_MONITORS_BLACK},
                       {MonitorMode::All, IDC_MONITORS_ALL}};

void InitDialog(HWND dialog) {
  SendDlgItemMessageW(dialog, IDC_SLIDE_SECONDS, EM_LIMITTEXT, 4, 0);
  SetDlgItemInt(dialog, IDC_SLIDE_SECONDS, static_cast<UINT>(settings.slide_seconds), FALSE);
  for (const auto& b : kMonitorButtons) {
    if (b.mode == settings.monitors) CheckDlgButton(dialog, b.id, BST_CHECKED);
  }
  CheckDlgButton(dialog, settings.weather_unit == L's' ? IDC_UNITS_STANDARD : IDC_UNITS_METRIC, BST_CHECKED);

  const PolicyLocks& locks = policy_locks;
  EnableWindow(GetDlgItem(dialog, IDC_SLIDE_SECONDS), !locks.slide_seconds);
  for (const auto& b : kMonitorButtons) EnableWindow(GetDlgItem(dialog, b.id), !locks.monitors);
  for (const int id : {IDC_UNITS_METRIC, IDC_UNITS_STANDARD}) EnableWindow(GetDlgItem(dialog, id), !locks.weather_unit);
  const bool any = locks.slide_seconds || locks.monitors || locks.weather_unit;
  ShowWindow(GetDlgItem(dialog, IDC_POLICY_NOTE), any ? SW_SHOW : SW_HIDE);
}

// The seconds typed, or 0 when they are not a number from 3 to 3600; then the
// edit says so and keeps the focus.
int32_t SlideSecondsTyped(HWND dialog) {
  BOOL read = FALSE;
  const UINT seconds = GetDlgItemInt(dialog, IDC_SLIDE_SECONDS, &read, FALSE);
  if (read && seconds >= static_cast<UINT>(kSlideSecondsLeast) && seconds <= static_cast<UINT>(kSlideSecondsMost)) {
    return static_cast<int32_t>(seconds);
  }
  const HWND edit = GetDlgItem(dialog, IDC_SLIDE_SECONDS);
  EDITBALLOONTIP tip{sizeof tip, L"Unacceptable number", L"Enter a number of seconds from 3 to 3600.", TTI_ERROR};
  SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
  SendMessageW(edit, EM_SETSEL, 0, -1);
  SendMessageW(edit, EM_SHOWBALLOONTIP, 0, reinterpret_cast<LPARAM>(&tip));
  return 0;
}

// Settings a policy sets keep their value and are not stored.
bool StoreChoices(HWND dialog) {
  const int32_t seconds = policy_locks.slide_seconds ? settings.slide_seconds : SlideSecondsTyped(dialog);
  if (seconds == 0) return false;
  settings.slide_seconds = seconds;
  for (const auto& b : kMonitorButtons) {
    if (IsDlgButtonChecked(dialog, b.id) == BST_CHECKED) settings.monitors = b.mode;
  }
  const wchar_t unit = IsDlgButtonChecked(dialog, IDC_UNITS_STANDARD) == BST_CHECKED ? L's' : L'm';
  // The cached weather is in the old units; the next show fetches anew.
  if (unit != settings.weather_unit) DiscardWeather();
  settings.weather_unit = unit;
  SaveSettings(SettingsOwner::MoreSettings);
  return true;
}

INT_PTR CALLBACK MoreSettingsProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      InitDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDOK:
          if (StoreChoices(dialog)) EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

}  // namespace

void RunMoreSettings(HWND owner) {
  DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MORE), owner, MoreSettingsProc, 0);
}
