#include "app/setup_dialog_win.h"

#include "app/more_settings_dialog_win.h"

#include <shellapi.h>

#include <string>

#include "base/win_handle.h"
#include "res/resource.h"
#include "settings/gallery_table.h"
#include "settings/home_page.h"
#include "settings/policy.h"
#include "settings/settings.h"
#include "settings/settings_file_win.h"
#include "weather/location_search_win.h"
#include "weather/weather_cache_win.h"

namespace {

struct IconTraits {
  using Native = HICON;
  static Native Invalid() { return nullptr; }
  static void Close(Native h) { DestroyIcon(h); }
};

// The setup dialog lives until the process ends, and so does its icon.
UniqueHandle<IconTraits> program_icon;

// A location a policy sets stays disabled, weather on or off.
void EnableLocation(HWND dialog, bool enable) {
  for (const int id : {IDC_LOCATION_LABEL, IDC_LOCATION_NAME, IDC_CHANGE_LOCATION}) {
    EnableWindow(GetDlgItem(dialog, id), enable && !policy_locks.location);
  }
}

void ShowPolicyLocks(HWND dialog) {
  const PolicyLocks& locks = policy_locks;
  EnableWindow(GetDlgItem(dialog, IDC_GALLERY_LIST), !locks.dloption);
  EnableWindow(GetDlgItem(dialog, IDC_SHOW_WEATHER), !locks.show_weather);
  EnableWindow(GetDlgItem(dialog, IDC_SHOW_NEWVER), !locks.show_newver);
  const bool any = locks.dloption || locks.show_weather || locks.location || locks.show_newver;
  ShowWindow(GetDlgItem(dialog, IDC_POLICY_NOTE), any ? SW_SHOW : SW_HIDE);
}

void ShowNewVersion(HWND dialog) {
  const FixedText<9> newver = CurrentNewver();
  const bool newer = settings.check_version != 0 && IsNewerVersion(newver.View());
  if (newer) {
    SendDlgItemMessageW(dialog, IDC_NOTICE_ICON, STM_SETIMAGE, IMAGE_ICON,
                        reinterpret_cast<LPARAM>(LoadIconW(nullptr, IDI_WARNING)));
    SetDlgItemTextW(dialog, IDC_NOTICE_TEXT, NewVersionNotice(NoticePlace::SetupDialog, newver.View(), {}).c_str());
  }
  ShowWindow(GetDlgItem(dialog, IDC_NOTICE_ICON), newer ? SW_SHOW : SW_HIDE);
  ShowWindow(GetDlgItem(dialog, IDC_NOTICE_TEXT), newer ? SW_SHOW : SW_HIDE);
}

void InitDialog(HWND dialog) {
  const HWND list = GetDlgItem(dialog, IDC_GALLERY_LIST);
  for (const GalleryInfo* row = kGalleryTable; row->title != nullptr; ++row) {
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row->title));
  }
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(settings.dloption), 0);
  SetDlgItemTextW(dialog, IDC_LOCATION_NAME, settings.weather_loc.c_str());
  if (settings.show_weather != 0) CheckDlgButton(dialog, IDC_SHOW_WEATHER, BST_CHECKED);
  EnableLocation(dialog, settings.show_weather != 0);
  ShowPolicyLocks(dialog);
  if (settings.show_newver != 0) CheckDlgButton(dialog, IDC_SHOW_NEWVER, BST_CHECKED);
  program_icon.reset(static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_VELMORA), IMAGE_ICON, 48, 48, LR_DEFAULTCOLOR)));
  SendDlgItemMessageW(dialog, IDC_PROGRAM_ICON, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(program_icon.get()));
  ShowNewVersion(dialog);
}

bool Differs(std::wstring_view chosen, std::wstring_view stored) {
  return !chosen.empty() && !EqualsIgnoreCase(chosen, stored);
}

void StoreChoices(HWND dialog) {
  const LRESULT row = SendDlgItemMessageW(dialog, IDC_GALLERY_LIST, CB_GETCURSEL, 0, 0);
  if (row >= 0 && row < kGalleryCount) settings.dloption = static_cast<int32_t>(row);
  settings.gallery_refresh_seconds = kGalleryTable[settings.dloption].refresh_seconds;
  settings.show_newver = IsDlgButtonChecked(dialog, IDC_SHOW_NEWVER) == BST_CHECKED ? 1 : 0;
  settings.show_weather = IsDlgButtonChecked(dialog, IDC_SHOW_WEATHER) == BST_CHECKED ? 1 : 0;
  // The cached weather belongs to the old location: both are replaced together.
  if (Differs(chosen_location_name.View(), settings.weather_loc.View()) ||
      Differs(chosen_location_id.View(), settings.weather_loc_id.View())) {
    DiscardWeather();
    settings.weather_loc.Assign(chosen_location_name.View());
    settings.weather_loc_id.Assign(chosen_location_id.View());
  }
  SaveSettings(SettingsOwner::SetupDialog);
}

void OpenHomePage(HWND dialog) {
  const HomePage page = MakeHomePage(settings.web_host.View());
  ShellExecuteW(dialog, nullptr, page.address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      InitDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_SHOW_WEATHER:
          if (HIWORD(wparam) == BN_CLICKED) {
            EnableLocation(dialog, IsDlgButtonChecked(dialog, IDC_SHOW_WEATHER) == BST_CHECKED);
          }
          return TRUE;
        case IDC_CHANGE_LOCATION:
          if (HIWORD(wparam) == BN_CLICKED && RunLocationSearch(dialog)) {
            SetDlgItemTextW(dialog, IDC_LOCATION_NAME, chosen_location_name.c_str());
          }
          return TRUE;
        case IDC_HOME_WEBSITE:
          if (HIWORD(wparam) == BN_CLICKED) OpenHomePage(dialog);
          return TRUE;
        case IDC_GALLERY_LIST:
          return TRUE;  // a new selection takes effect on OK only
        case IDC_MORE:
          if (HIWORD(wparam) == BN_CLICKED) RunMoreSettings(dialog);
          return TRUE;
        case IDOK:
          StoreChoices(dialog);
          PostQuitMessage(0);
          return TRUE;
        case IDCANCEL:
          PostQuitMessage(0);
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}
