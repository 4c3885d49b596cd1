#include "net/gallery_refresh_win.h"

#include <windows.h>

#include "base/data_folder.h"
#include "base/file_time_win.h"
#include "base/run_state.h"
#include "base/win_handle.h"
#include "net/gallery_refresh.h"
#include "net/http_fetch_win.h"
#include "net/version_check_win.h"

namespace {

class WindowsRefreshPlatform final : public RefreshPlatform {
 public:
  explicit WindowsRefreshPlatform(StoredPhotoAppend append) : append_(append) {}

  bool FetchListingPage(const std::wstring& address, std::string& page) override {
    return DownloadToMemory(address, DataPath(kListingFileName), kListingPageLimit, page) && !page.empty();
  }

  bool FetchPhoto(const std::wstring& address, const std::wstring& local_path) override {
    return DownloadFileViaTemp(address, local_path, kPhotoLimit);
  }

  bool FileExists(const std::wstring& path) override {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  void TouchFile(const std::wstring& path) override {
    FileHandle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    SetFileTime(file.get(), nullptr, nullptr, &now);
  }

  void RemoveFile(const std::wstring& path) override { DeleteFileW(path.c_str()); }

  void AppendStoredPhoto(const std::wstring& local_path) override { append_(local_path); }

  bool StopRequested() override { return stop_refresh; }

  void Sleep100Ms() override { Sleep(100); }

  int64_t Now() override { return SystemTimeNow(); }

 private:
  const StoredPhotoAppend append_;
};

}  // namespace

void RefreshGallery(StoredPhotoAppend append) {
  WindowsRefreshPlatform platform(append);
  RunGalleryRefresh(platform);
}

void RunRefreshThread(StoredPhotoAppend append) {
  CheckVersion();
  RefreshGallery(append);
}
