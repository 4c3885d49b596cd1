#include "settings/settings_file_win.h"

#include <windows.h>
#include <objbase.h>

#include <string>

#include "app/data_folder.h"
#include "app/win_handle.h"
#include "settings/settings_file.h"

namespace {

Guid NewGuid() {
  GUID native{};
  Guid guid;  // all zero bits when the platform cannot make one
  if (SUCCEEDED(CoCreateGuid(&native))) {
    guid.data1 = native.Data1;
    guid.data2 = native.Data2;
    guid.data3 = native.Data3;
    for (int i = 0; i < 8; ++i) guid.data4[i] = native.Data4[i];
  }
  return guid;
}

bool ReadWholeFile(HANDLE file, std::string& bytes) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || size.QuadPart > 1 << 20) return false;
  bytes.resize(static_cast<std::size_t>(size.QuadPart));
  DWORD read = 0;
  return bytes.empty() || (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                           read == bytes.size());
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size() && FlushFileBuffers(file.get());
}

}  // namespace

void LoadSettings() {
  const std::wstring path = DataPath(L"settings.cfg");
  bool complete = false;
  {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      SaveSettings();
      return;
    }
    std::string bytes;
    if (ReadWholeFile(file.get(), bytes)) complete = ParseSettingsText(DecodeUtf16Le(bytes), settings);
  }
  if (!complete) SaveSettings();
}

void SaveSettings() {
  const std::string bytes = EncodeUtf16Le(ComposeSavedSettings(settings, NewGuid));
  const std::wstring target = DataPath(L"settings.cfg");
  if (target.empty()) return;
  // A file the user made read-only stays as it is; replacing it would fail on
  // Windows anyway, after the temporary file had been written.
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) return;

  // A unique temporary name in the data folder, so the replace below stays on
  // one volume and two savers never share a temporary file.
  wchar_t temp[MAX_PATH] = {};
  if (GetTempFileNameW(DataFolder().c_str(), L"cfg", 0, temp) == 0) return;
  if (!WriteWholeFile(temp, bytes) ||
      !MoveFileExW(temp, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(temp);
  }
}
