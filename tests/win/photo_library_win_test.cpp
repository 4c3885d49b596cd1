// The photo scan, deletion and refresh-thread start on a real (Wine) file system.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "base/data_folder.h"
#include "base/file_time_win.h"
#include "base/run_state.h"
#include "slideshow/photo_library_win.h"

namespace {

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

FILETIME AtHour(int hour) {
  SYSTEMTIME st = {};
  st.wYear = 2026;
  st.wMonth = 12;
  st.wDay = 8;
  st.wHour = static_cast<WORD>(hour);
  FILETIME ft = {};
  SystemTimeToFileTime(&st, &ft);
  return ft;
}

void MakeFile(const std::wstring& name, int hour = 12) {
  HANDLE file = CreateFileW(DataPath(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << testing::PrintToString(name);
  DWORD written = 0;
  WriteFile(file, "x", 1, &written, nullptr);
  const FILETIME t = AtHour(hour);
  SetFileTime(file, nullptr, nullptr, &t);
  CloseHandle(file);
}

std::vector<std::wstring> ListedPaths() {
  std::vector<std::wstring> paths;
  for (int32_t i = 0; i < PhotoCount(); ++i) paths.push_back(PhotoPathAt(i));
  return paths;
}

class PhotoLibraryWin : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    static int serial = 0;
    folder_ = std::wstring(base) + L"velmora-photos-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
              std::to_wstring(++serial);
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
    SetDataFolder(folder_);
    last_refresh_time = 0;
  }
  void TearDown() override {
    FreePhotoList();
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder_ + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        DeleteFileW((folder_ + L"\\" + found.cFileName).c_str());
      } while (FindNextFileW(find, &found));
      FindClose(find);
    }
    RemoveDirectoryW(folder_.c_str());
  }
  std::wstring folder_;
};

TEST_F(PhotoLibraryWin, ScanKeepsPhotosDeletesLeftoversIgnoresOtherFiles) {
  MakeFile(L"a.jpg");
  MakeFile(L"b.jpg.tmp");
  MakeFile(L"notes.txt");
  ScanPhotoFolder();
  EXPECT_EQ(ListedPaths(), std::vector<std::wstring>{folder_ + L"\\a.jpg"});
  EXPECT_TRUE(Exists(DataPath(L"a.jpg")));
  EXPECT_FALSE(Exists(DataPath(L"b.jpg.tmp")));
  EXPECT_TRUE(Exists(DataPath(L"notes.txt")));
}

TEST_F(PhotoLibraryWin, ScanListsOldestFirst) {
  struct File {
    const wchar_t* name;
    int hour;
  };
  // Names in an order unlike their times, so the folder's own order cannot pass.
  const File files[] = {{L"m.jpg", 10}, {L"a.jpg", 11}, {L"z.jpg", 9}};
  for (const File& f : files) MakeFile(f.name, f.hour);
  ScanPhotoFolder();
  EXPECT_EQ(ListedPaths(),
            (std::vector<std::wstring>{folder_ + L"\\z.jpg", folder_ + L"\\m.jpg", folder_ + L"\\a.jpg"}));
}

TEST_F(PhotoLibraryWin, ScanTakesTheLastRefreshTimeFromTheGalleryPage) {
  ScanPhotoFolder();
  EXPECT_EQ(PhotoCount(), 0);                // an empty folder gives an empty list
  EXPECT_EQ(last_refresh_time.load(), 0);    // no page: unchanged
  last_refresh_time = 777;
  ScanPhotoFolder();
  EXPECT_EQ(last_refresh_time.load(), 777);
  MakeFile(L"index.htm", 7);
  ScanPhotoFolder();
  EXPECT_EQ(last_refresh_time.load(), FileTimeValue(AtHour(7)));
}

TEST_F(PhotoLibraryWin, DeleteOldestPhotoRemovesTheFileAndTheRecord) {
  MakeFile(L"new.jpg", 11);
  MakeFile(L"old.jpg", 9);
  MakeFile(L"mid.jpg", 10);
  ScanPhotoFolder();
  DeleteOldestPhoto();
  EXPECT_FALSE(Exists(DataPath(L"old.jpg")));
  EXPECT_EQ(ListedPaths(), (std::vector<std::wstring>{folder_ + L"\\mid.jpg", folder_ + L"\\new.jpg"}));
  // A file that is already gone still leaves the list.
  ASSERT_TRUE(DeleteFileW(DataPath(L"mid.jpg").c_str()));
  DeleteOldestPhoto();
  EXPECT_EQ(ListedPaths(), std::vector<std::wstring>{folder_ + L"\\new.jpg"});
  EXPECT_TRUE(Exists(DataPath(L"new.jpg")));
}

std::atomic<int> entries_run{0};
HANDLE release_event = nullptr;

void EndAtOnce() { ++entries_run; }

void EndWhenReleased() {
  ++entries_run;
  WaitForSingleObject(release_event, 10000);
}

bool WaitForIdCleared() {
  for (int i = 0; i < 500 && refresh_thread_id != 0; ++i) Sleep(10);
  return refresh_thread_id == 0;
}

// A thread that ends before its start returns must not leave its id behind:
// that would block every later refresh.
TEST(StartRefreshThread, ThreadThatEndsAtOnceLeavesNoIdBehind) {
  entries_run = 0;
  refresh_thread_id = 0;
  for (int i = 0; i < 20; ++i) {
    StartRefreshThread(EndAtOnce);
    ASSERT_TRUE(WaitForIdCleared()) << "start " << i;
  }
  EXPECT_EQ(entries_run.load(), 20);
}

TEST(StartRefreshThread, NothingStartsWhileARefreshRuns) {
  entries_run = 0;
  refresh_thread_id = 0;
  release_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  StartRefreshThread(EndWhenReleased);
  const uint32_t id = refresh_thread_id;
  EXPECT_NE(id, 0u);
  for (int i = 0; i < 5; ++i) StartRefreshThread(EndWhenReleased);
  Sleep(100);
  EXPECT_EQ(entries_run.load(), 1);
  EXPECT_EQ(refresh_thread_id.load(), id);
  SetEvent(release_event);
  ASSERT_TRUE(WaitForIdCleared());
  StartRefreshThread(EndAtOnce);  // once it has ended, the next start runs
  ASSERT_TRUE(WaitForIdCleared());
  EXPECT_EQ(entries_run.load(), 2);
  CloseHandle(release_event);
}

TEST(StartRefreshThread, AnIdAlreadySetIsLeftAlone) {
  entries_run = 0;
  refresh_thread_id = 4242;
  StartRefreshThread(EndAtOnce);
  Sleep(50);
  EXPECT_EQ(entries_run.load(), 0);
  EXPECT_EQ(refresh_thread_id.load(), 4242u);
  refresh_thread_id = 0;
}

}  // namespace
