#include "slideshow/photo_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/data_folder.h"
#include "base/run_state.h"

namespace {

constexpr int64_t kHour = 36'000'000'000;  // in 100 ns units

PhotoList ListOfTimes(const std::vector<int64_t>& times) {
  PhotoList list;
  for (std::size_t i = 0; i < times.size(); ++i)
    AppendPhoto(list, PhotoRecord{L"p" + std::to_wstring(i), times[i]});
  return list;
}

std::vector<int64_t> TimesOf(const PhotoList& list) {
  std::vector<int64_t> times;
  for (const PhotoRecord& r : list.entries) times.push_back(r.last_write_time);
  return times;
}

TEST(PhotoList, ComparePhotoTimesIsTheSignOfTheDifference) {
  struct Case {
    int64_t a, b;
    int expected;
  };
  const Case cases[] = {
      {10 * kHour, 9 * kHour, 1},
      {9 * kHour, 10 * kHour, -1},
      {5, 5, 0},
      {INT64_MAX, INT64_MIN, 1},  // the plain difference would overflow
      {INT64_MIN, INT64_MAX, -1},
      {0, -1, 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ComparePhotoTimes(PhotoRecord{L"a", c.a}, PhotoRecord{L"b", c.b}), c.expected) << c.a << " vs " << c.b;
}

TEST(PhotoList, SortPutsTheOldestFirst) {
  struct Case {
    std::vector<int64_t> times;
    int32_t first, last;
    std::vector<int64_t> expected;
  };
  const Case cases[] = {
      {{10 * kHour, 9 * kHour, 11 * kHour}, 0, 2, {9 * kHour, 10 * kHour, 11 * kHour}},
      {{}, 0, -1, {}},
      {{3}, 0, 0, {3}},
      {{5, 4, 3, 2, 1}, 1, 3, {5, 2, 3, 4, 1}},   // only the given range moves
      {{5, 4, 3, 2, 1}, -4, 99, {1, 2, 3, 4, 5}},  // a range beyond the list is cut to it
  };
  for (const Case& c : cases) {
    PhotoList list = ListOfTimes(c.times);
    SortPhotos(list, c.first, c.last, ComparePhotoTimes);
    EXPECT_EQ(TimesOf(list), c.expected) << "range " << c.first << ".." << c.last;
  }
}

// Orders that drive a middle-pivot quicksort deep: a depth limit would leave
// parts of them unsorted.
TEST(PhotoList, SortAlwaysSortsLongListsCompletely) {
  std::vector<std::vector<int64_t>> inputs;
  std::vector<int64_t> shuffled(20000);
  for (std::size_t i = 0; i < shuffled.size(); ++i) shuffled[i] = static_cast<int64_t>(i % 977) * kHour + i;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
  inputs.push_back(shuffled);
  std::vector<int64_t> descending(5000);
  for (std::size_t i = 0; i < descending.size(); ++i) descending[i] = static_cast<int64_t>(descending.size() - i);
  inputs.push_back(descending);
  // Organ pipe: rising then falling, a classic deep case for middle pivots.
  std::vector<int64_t> organ;
  for (int64_t i = 0; i < 3000; ++i) organ.push_back(i);
  for (int64_t i = 3000; i > 0; --i) organ.push_back(i);
  inputs.push_back(organ);

  for (const std::vector<int64_t>& times : inputs) {
    PhotoList list = ListOfTimes(times);
    SortPhotos(list, 0, list.count() - 1, ComparePhotoTimes);
    std::vector<int64_t> expected = times;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(TimesOf(list), expected) << "input of " << times.size();
  }
}

TEST(PhotoList, CapacityGrowsByAThousandWhenFull) {
  PhotoList list;
  EXPECT_EQ(list.capacity, 200);
  struct Step {
    int32_t appends_until;
    int32_t capacity;
  };
  const Step steps[] = {{200, 200}, {201, 1200}, {1200, 1200}, {1201, 2200}};
  for (const Step& step : steps) {
    while (list.count() < step.appends_until) AppendPhoto(list, PhotoRecord{std::to_wstring(list.count()), 0});
    EXPECT_EQ(list.capacity, step.capacity) << "after " << step.appends_until << " appends";
  }
  for (int32_t i = 0; i < list.count(); ++i)  // growth keeps every entry in place
    ASSERT_EQ(list.entries[static_cast<std::size_t>(i)].path, std::to_wstring(i));
}

TEST(PhotoList, MakePhotoRecordPathIsInTheDataFolderOrNone) {
  SetDataFolder(L"C:\\users\\pics");
  const PhotoRecord r = MakePhotoRecord(L"abc.jpg", 42);
  EXPECT_EQ(r.path, L"C:\\users\\pics\\abc.jpg");
  EXPECT_EQ(r.last_write_time, 42);
  // Cut, the path would name another file; the scan leaves such a record out.
  EXPECT_EQ(MakePhotoRecord(std::wstring(400, L'x') + L".jpg", 1).path, L"");
}

TEST(PhotoList, DeleteOldestPhotoRemovesEntryZeroAndItsFile) {
  struct Case {
    int32_t count;
    std::vector<std::wstring> deleted;
    int32_t remaining;
  };
  const Case cases[] = {
      {101, {L"p0"}, 100},
      {1, {L"p0"}, 0},
      {0, {}, 0},
  };
  for (const Case& c : cases) {
    PhotoList list;
    for (int32_t i = 0; i < c.count; ++i) AppendPhoto(list, PhotoRecord{L"p" + std::to_wstring(i), i});
    ReplacePhotoList(std::move(list));
    std::vector<std::wstring> deleted;
    DeleteOldestPhoto([&deleted](const std::wstring& path) { deleted.push_back(path); });
    EXPECT_EQ(deleted, c.deleted) << c.count << " photos";
    EXPECT_EQ(PhotoCount(), c.remaining) << c.count << " photos";
    if (c.remaining > 0) EXPECT_EQ(PhotoPathAt(0), L"p1");
  }
  FreePhotoList();
}

TEST(PhotoList, PathAtOutsideTheListIsEmpty) {
  PhotoList list = ListOfTimes({1, 2});
  ReplacePhotoList(std::move(list));
  const std::pair<int32_t, std::wstring> cases[] = {{-1, L""}, {0, L"p0"}, {1, L"p1"}, {2, L""}};
  for (const auto& [index, path] : cases) EXPECT_EQ(PhotoPathAt(index), path) << index;
  FreePhotoList();
  EXPECT_EQ(PhotoCount(), 0);
}

// The refresh thread appends (and grows the array past 200, 1200 and 2200)
// while the main thread reads and deletes. Run under ThreadSanitizer this
// fails on any access that bypasses the lock.
TEST(PhotoList, AppendsReadsAndDeletesFromTwoThreads) {
  FreePhotoList();
  constexpr int kAppends = 3000;
  std::atomic<bool> done{false};
  std::thread refresh([&done] {
    for (int i = 0; i < kAppends; ++i) {
      const std::lock_guard<std::mutex> hold(PhotoListLock());
      AppendPhoto(PhotoRecord{L"photo" + std::to_wstring(i), i});
    }
    done = true;
  });

  int deletes = 0;
  int64_t previous_first = -1;
  while (!done || PhotoCount() > 0) {
    const int32_t n = PhotoCount();
    if (n == 0) continue;
    // Only this thread shrinks the list, so every index below n still names a photo.
    const std::wstring last = PhotoPathAt(n - 1);
    const std::wstring first = PhotoPathAt(0);
    ASSERT_FALSE(last.empty());
    ASSERT_FALSE(first.empty());
    const int64_t first_number = std::stoll(first.substr(5));
    ASSERT_GT(first_number, previous_first);  // deletes take the oldest, in order
    previous_first = first_number;
    DeleteOldestPhoto([](const std::wstring&) {});
    ++deletes;
    if (done && deletes > kAppends) break;
  }
  refresh.join();
  EXPECT_EQ(deletes, kAppends);
  EXPECT_EQ(PhotoCount(), 0);
}

}  // namespace
