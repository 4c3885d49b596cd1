#include "app/data_folder_win.h"

#include <windows.h>
#include <shlobj.h>

#include "app/data_folder.h"

void InitDataFolder() {
  wchar_t pictures[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_MYPICTURES, nullptr, SHGFP_TYPE_CURRENT, pictures))) pictures[0] = L'\0';
  SetDataFolder(JoinBounded(pictures, kDataFolderSuffix));
  SHCreateDirectory(nullptr, DataFolder().c_str());
}
