// The photos of the data folder, oldest first by last-write time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct PhotoRecord {
  std::wstring path;        // DataPath(file name); empty when it does not fit
  int64_t last_write_time;  // 100 ns units since 1601-01-01 UTC; the sort key
};

// path = DataPath(file_name). Used by the scan and by the gallery refresh.
PhotoRecord MakePhotoRecord(std::wstring_view file_name, int64_t last_write_time);

inline constexpr int32_t kPhotoListFirstCapacity = 200;
inline constexpr int32_t kPhotoListGrowth = 1000;

// Entries oldest first. The capacity is kept as its own number (200, then
// +1000 whenever an append finds the list full) so the growth rule is visible.
struct PhotoList {
  std::vector<PhotoRecord> entries;
  int32_t capacity = kPhotoListFirstCapacity;

  PhotoList() { entries.reserve(kPhotoListFirstCapacity); }
  int32_t count() const { return static_cast<int32_t>(entries.size()); }
};

void AppendPhoto(PhotoList& list, PhotoRecord record);

// -1, 0 or 1: the sign of a's last-write time minus b's.
int ComparePhotoTimes(const PhotoRecord& a, const PhotoRecord& b);

// Sorts entries first..last (inclusive, clamped to the list) so that compare
// never finds a later entry before an earlier one. The whole range is always
// sorted, however long it is.
void SortPhotos(PhotoList& list, int32_t first, int32_t last,
                int (*compare)(const PhotoRecord&, const PhotoRecord&));

// The process-wide list, and how the threads share it.
//
// Every read and every write of the list happens under PhotoListLock()
// (base/run_state.h); nothing outside this file ever holds a reference into it.
// The refresh thread takes the lock around AppendPhoto. The main thread's
// readers (PhotoCount, PhotoPathAt) take it for one read and return copies, so
// an append that grows the array can never free memory a reader still uses.
// DeleteOldestPhoto, ReplacePhotoList and FreePhotoList take it themselves.
//
// Only the main thread shrinks or replaces the list, so a count it has read
// stays a lower bound until it deletes or rescans: an index below that count
// still names a photo.

// The caller holds PhotoListLock().
void AppendPhoto(PhotoRecord record);

int32_t PhotoCount();

// The path of entry `index`, or an empty text when there is no such entry.
std::wstring PhotoPathAt(int32_t index);

// Removes entry 0 from disk and list. The record goes even when delete_file
// fails, so a file that cannot be removed cannot block the cache limit.
void DeleteOldestPhoto(const std::function<void(const std::wstring& path)>& delete_file);

// Makes `list` the process-wide list; the old one is freed.
void ReplacePhotoList(PhotoList list);

void FreePhotoList();
