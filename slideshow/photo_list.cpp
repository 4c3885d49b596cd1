#include "slideshow/photo_list.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "base/data_folder.h"
#include "base/run_state.h"

namespace {

// Guarded by PhotoListLock(); see photo_list.h. Never freed, like everything
// a background thread can reach (run_state.h).
PhotoList& TheList() {
  static PhotoList& list = *new PhotoList;
  return list;
}

}  // namespace

PhotoRecord MakePhotoRecord(std::wstring_view file_name, int64_t last_write_time) {
  return PhotoRecord{DataPath(file_name), last_write_time};
}

void AppendPhoto(PhotoList& list, PhotoRecord record) {
  if (list.count() == list.capacity) {
    list.capacity += kPhotoListGrowth;
    list.entries.reserve(static_cast<std::size_t>(list.capacity));
  }
  list.entries.push_back(std::move(record));
}

int ComparePhotoTimes(const PhotoRecord& a, const PhotoRecord& b) {
  if (a.last_write_time > b.last_write_time) return 1;
  if (a.last_write_time < b.last_write_time) return -1;
  return 0;
}

void SortPhotos(PhotoList& list, int32_t first, int32_t last,
                int (*compare)(const PhotoRecord&, const PhotoRecord&)) {
  first = std::max(first, 0);
  last = std::min(last, list.count() - 1);
  if (first >= last) return;
  auto begin = list.entries.begin();
  std::stable_sort(begin + first, begin + last + 1,
                   [compare](const PhotoRecord& a, const PhotoRecord& b) { return compare(a, b) < 0; });
}

void AppendPhoto(PhotoRecord record) { AppendPhoto(TheList(), std::move(record)); }

int32_t PhotoCount() {
  const std::lock_guard<std::mutex> hold(PhotoListLock());
  return TheList().count();
}

std::wstring PhotoPathAt(int32_t index) {
  const std::lock_guard<std::mutex> hold(PhotoListLock());
  const PhotoList& list = TheList();
  if (index < 0 || index >= list.count()) return {};
  return list.entries[static_cast<std::size_t>(index)].path;
}

void DeleteOldestPhoto(const std::function<void(const std::wstring& path)>& delete_file) {
  const std::lock_guard<std::mutex> hold(PhotoListLock());
  PhotoList& list = TheList();
  if (list.entries.empty()) return;
  delete_file(list.entries.front().path);
  list.entries.erase(list.entries.begin());
}

void ReplacePhotoList(PhotoList list) {
  {
    const std::lock_guard<std::mutex> hold(PhotoListLock());
    std::swap(TheList(), list);
  }
  // `list` now holds the old entries and is freed here, outside the lock.
}

void FreePhotoList() { ReplacePhotoList(PhotoList{}); }
