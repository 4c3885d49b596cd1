#include "settings/settings_file_win.h"

#include <windows.h>
#include <objbase.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/data_folder.h"
#include "base/whole_file_win.h"
#include "base/wide_text.h"
#include "base/win_handle.h"

namespace {

// A save takes milliseconds; a holder that keeps the lock this long is stuck,
// and the save is dropped rather than the dialog frozen.
constexpr DWORD kLockWaitMs = 3000;
// Another program's open of the file without sharing (a saver's replace, a
// scanner) usually ends within a few milliseconds.
constexpr int kReadTries = 5;
constexpr DWORD kReadRetryMs = 100;
constexpr wchar_t kSettingsFileName[] = L"settings.cfg";
// A larger file is not one the saver wrote, and counts as unreadable.
constexpr uint64_t kMostSettingsBytes = 1 << 20;

// Set by LoadSettings on the main thread before any other thread starts, only
// read afterwards (the refresh thread's version check saves too).
bool file_unreadable = false;

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

// Holds kSettingsLockName for its lifetime, if it could be had in time.
class SettingsLock {
 public:
  SettingsLock() : mutex_(CreateMutexW(nullptr, FALSE, kSettingsLockName)) {
    if (!mutex_) return;
    const DWORD waited = WaitForSingleObject(mutex_.get(), kLockWaitMs);
    // An owner that ended during a save leaves the mutex abandoned; the file is
    // then either the old one or the new one, as MoveFileExW replaces it whole.
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  }
  ~SettingsLock() {
    if (held_) ReleaseMutex(mutex_.get());
  }
  SettingsLock(const SettingsLock&) = delete;
  SettingsLock& operator=(const SettingsLock&) = delete;

  [[nodiscard]] bool held() const { return held_; }

 private:
  KernelHandle mutex_;
  bool held_ = false;
};

enum class FileState { Read, Missing, Unreadable };

// Only "file not found" and "path not found" mean there is no file; any other
// failure to open or read is a file whose contents are unknown.
FileState ReadSettingsFile(std::string& bytes) {
  const std::wstring path = DataPath(kSettingsFileName);
  if (path.empty()) return FileState::Unreadable;
  for (int attempt = 1;; ++attempt) {
    const FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
      std::optional<std::string> read = ReadWholeFile(file.get(), kMostSettingsBytes);
      if (!read) return FileState::Unreadable;
      bytes = std::move(*read);
      return FileState::Read;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return FileState::Missing;
    if (error != ERROR_SHARING_VIOLATION || attempt == kReadTries) return FileState::Unreadable;
    Sleep(kReadRetryMs);
  }
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size() && FlushFileBuffers(file.get());
}

// Call with the lock held.
void ReplaceSettingsFile(const std::wstring& text) {
  const std::wstring target = DataPath(kSettingsFileName);
  if (target.empty()) return;
  // A file the user made read-only stays as it is; replacing it would fail on
  // Windows anyway, after the temporary file had been written.
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) return;

  // A unique temporary name in the data folder, so the replace below stays on
  // one volume and two savers never share a temporary file.
  wchar_t temp[MAX_PATH] = {};
  if (GetTempFileNameW(DataFolder().c_str(), L"cfg", 0, temp) == 0) return;
  if (!WriteWholeFile(temp, EncodeUtf16Le(text)) ||
      !MoveFileExW(temp, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(temp);
  }
}

bool IsSaveTemporaryName(std::wstring_view name) {
  // The pattern also matches through 8.3 short names ("cfg1.tmpx"), so the
  // long name is checked too.
  return name.size() >= 7 && EqualsIgnoreCase(name.substr(0, 3), L"cfg") &&
         EqualsIgnoreCase(name.substr(name.size() - 4), L".tmp");
}

// Call with the lock held: every save holds it from before its temporary file
// exists until that file is gone, so any found now belongs to a save that
// ended with its process.
void RemoveLeftoverTemporaryFiles() {
  WIN32_FIND_DATAW found;
  const FindHandle search(FindFirstFileW(DataPath(L"cfg*.tmp").c_str(), &found));
  if (!search) return;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && IsSaveTemporaryName(found.cFileName)) {
      const std::wstring path = DataPath(found.cFileName);
      if (!path.empty()) DeleteFileW(path.c_str());
    }
  } while (FindNextFileW(search.get(), &found));
}

}  // namespace

void LoadSettings() {
  const SettingsLock lock;
  if (lock.held()) RemoveLeftoverTemporaryFiles();
  std::string bytes;
  const FileState state = ReadSettingsFile(bytes);
  file_unreadable = state == FileState::Unreadable;
  std::vector<std::wstring> kept_lines;
  if (state == FileState::Read && ParseSettingsText(DecodeSettingsBytes(bytes), settings, &kept_lines)) return;
  // Composing fills the missing values into `settings`, written or not; the
  // values the file has stay.
  const std::wstring text = ComposeSavedSettings(settings, NewGuid, kept_lines);
  if (!file_unreadable && lock.held()) ReplaceSettingsFile(text);
}

void SaveSettings(SettingsOwner owner) {
  if (file_unreadable) return;
  const SettingsLock lock;
  if (!lock.held()) return;
  std::string bytes;
  // Never replace the user's file with less than it holds.
  if (ReadSettingsFile(bytes) == FileState::Unreadable) return;
  ReplaceSettingsFile(MergeSettingsText(DecodeSettingsBytes(bytes), settings, owner, NewGuid, policy_locks));
}
