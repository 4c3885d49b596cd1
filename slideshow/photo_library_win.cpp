#include "slideshow/photo_library_win.h"

#include <windows.h>
#include <shellapi.h>

#include <mutex>
#include <string>
#include <utility>

#include "base/background_thread.h"
#include "base/data_folder.h"
#include "base/file_time_win.h"
#include "base/run_state.h"
#include "base/thread_name_win.h"
#include "base/win_handle.h"
#include "net/gallery_refresh_win.h"
#include "weather/weather_cache_win.h"

namespace {

// Downloads are written to a temporary name and renamed when complete, so
// any such file at scan time belongs to a download that never finished.
void DeleteLeftoverDownloads() {
  std::wstring pattern = DataPath(L"*.jpg.tmp");
  if (pattern.empty()) return;
  pattern.push_back(L'\0');  // the list of names ends with two zero characters
  SHFILEOPSTRUCTW op = {};
  op.wFunc = FO_DELETE;
  op.pFrom = pattern.c_str();
  // No FOF_ALLOWUNDO: the files go for good. No recursion: only this folder's
  // own leftovers, never a subfolder's.
  op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_FILESONLY | FOF_NOERRORUI | FOF_NORECURSION;
  SHFileOperationW(&op);
  // Likewise a weather answer that was never judged complete.
  RemoveWeatherLeftover();
}

// The refresh thread's way into the photo list: the stored file's record,
// appended under the photo list lock.
void AppendStoredPhoto(const std::wstring& local_path) {
  WIN32_FIND_DATAW found{};
  const FindHandle search(FindFirstFileW(local_path.c_str(), &found));
  if (!search) return;
  PhotoRecord record = MakePhotoRecord(found.cFileName, FileTimeValue(found.ftLastWriteTime));
  const std::lock_guard hold(PhotoListLock());
  AppendPhoto(std::move(record));
}

PhotoList ListPhotoFiles() {
  PhotoList list;
  WIN32_FIND_DATAW found;
  const FindHandle search(FindFirstFileW(DataPath(L"*.jpg").c_str(), &found));
  if (!search) return list;
  do {
    PhotoRecord record = MakePhotoRecord(found.cFileName, FileTimeValue(found.ftLastWriteTime));
    if (!record.path.empty()) AppendPhoto(list, std::move(record));  // a path that does not fit
  } while (FindNextFileW(search.get(), &found));
  return list;
}

}  // namespace

void ScanPhotoFolder() {
  DeleteLeftoverDownloads();
  PhotoList list = ListPhotoFiles();
  SortPhotos(list, 0, list.count() - 1, ComparePhotoTimes);
  ReplacePhotoList(std::move(list));
  WIN32_FILE_ATTRIBUTE_DATA page;
  if (GetFileAttributesExW(DataPath(L"index.htm").c_str(), GetFileExInfoStandard, &page))
    last_refresh_time = FileTimeValue(page.ftLastWriteTime);
}

void DeleteOldestPhoto() {
  DeleteOldestPhoto([](const std::wstring& path) { DeleteFileW(path.c_str()); });
}

void StartRefreshThread() {
  StartRefreshThread([] {
    NameThisThread(L"velmora refresh");
    RunRefreshThread(AppendStoredPhoto);
  });
}

void StartRefreshThread(std::function<void()> body) {
  // Refused while a refresh runs, which is what the callers want; a thread
  // that could not be made leaves the id 0, so the next check tries again.
  static_cast<void>(StartTrackedThread(std::move(body), refresh_thread_id, RefreshLock()));
}
