#include "settings/setup_dialog_win.h"

#include "res/resource.h"
#include "settings/gallery_table.h"
#include "settings/settings.h"

namespace {

void InitDialog(HWND dialog) {
  const HWND list = GetDlgItem(dialog, IDC_GALLERY_LIST);
  for (const GalleryInfo* row = kGalleryTable; row->title != nullptr; ++row) {
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row->title));
  }
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(settings.dloption), 0);
  SetDlgItemTextW(dialog, IDC_LOCATION_NAME, settings.weather_loc.c_str());
  CheckDlgButton(dialog, IDC_SHOW_WEATHER, settings.show_weather != 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_SHOW_NEWVER, settings.show_newver != 0 ? BST_CHECKED : BST_UNCHECKED);
  const HANDLE icon =
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_VELMORA), IMAGE_ICON, 48, 48, LR_DEFAULTCOLOR);
  SendDlgItemMessageW(dialog, IDC_PROGRAM_ICON, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
  ShowWindow(GetDlgItem(dialog, IDC_NOTICE_ICON), SW_HIDE);
  ShowWindow(GetDlgItem(dialog, IDC_NOTICE_TEXT), SW_HIDE);
}

}  // namespace

INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      InitDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDOK:
        case IDCANCEL:
          PostQuitMessage(0);
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}
