#include "base/data_folder_win.h"

#include <windows.h>
#include <shlobj.h>

#include "base/data_folder.h"

void InitDataFolder() {
  wchar_t pictures[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_MYPICTURES, nullptr, SHGFP_TYPE_CURRENT, pictures))) pictures[0] = L'\0';
  // Without a pictures folder there is no data folder: nothing is read or
  // written, rather than everything in the root of the current drive.
  if (pictures[0] != L'\0') SetDataFolder(JoinPath(pictures, kDataFolderSuffix));
  if (!DataFolder().empty()) SHCreateDirectory(nullptr, DataFolder().c_str());
}
