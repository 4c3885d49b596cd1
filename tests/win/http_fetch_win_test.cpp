// Downloads over the real WinINet against tests/win/fetch_test_server.py,
// which the test fixture starts and names in VELMORA_FETCH_SERVER.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "base/run_state.h"
#include "net/http_fetch_win.h"

namespace {

using Clock = std::chrono::steady_clock;

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr));
  if (!file) return std::nullopt;
  std::string bytes(GetFileSize(file.get(), nullptr), '\0');
  DWORD read = 0;
  ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  return bytes;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string Pattern(std::size_t n) {
  std::string bytes;
  for (std::size_t i = 0; i < n; ++i) bytes += static_cast<char>('0' + i % 10);
  return bytes;
}

// "http://127.0.0.1:PORT", from the port file the fixture wrote.
std::wstring ServerBase() {
  char unix_path[1024] = {};
  if (!GetEnvironmentVariableA("VELMORA_FETCH_SERVER", unix_path, sizeof unix_path)) return {};
  std::string path = std::string("Z:") + unix_path;
  for (char& c : path) c = c == '/' ? '\\' : c;
  const auto port = ReadFileBytes(std::wstring(path.begin(), path.end()));
  if (!port) return {};
  return L"http://127.0.0.1:" + std::wstring(port->begin(), port->end());
}

class FetchWin : public testing::Test {
 protected:
  void SetUp() override {
    base_ = ServerBase();
    ASSERT_FALSE(base_.empty()) << "VELMORA_FETCH_SERVER does not name a running server";
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"velmora-fetch-" + std::to_wstring(GetCurrentProcessId());
    // Wine hands out the same process ids run after run.
    RemoveFolder();
    CreateDirectoryW(folder_.c_str(), nullptr);
  }
  void TearDown() override { RemoveFolder(); }
  void RemoveFolder() {
    WIN32_FIND_DATAW found;
    FindHandle find(FindFirstFileW((folder_ + L"\\*").c_str(), &found));
    if (find) {
      do {
        DeleteFileW(Path(found.cFileName).c_str());
      } while (FindNextFileW(find.get(), &found));
    }
    RemoveDirectoryW(folder_.c_str());
  }
  std::wstring Url(const std::wstring& path) const { return base_ + path; }
  std::wstring Path(const std::wstring& name) const { return folder_ + L"\\" + name; }
  // What the server recorded, fetched through a plain download.
  std::string Ask(const std::wstring& question) {
    std::string answer;
    if (!DownloadToMemory(Url(question), Path(L"answer.txt"), kMiB, answer)) return "<no answer>";
    return answer;
  }

  std::wstring base_;
  std::wstring folder_;
};

TEST_F(FetchWin, DownloadFileTable) {
  struct Row {
    const wchar_t* path;
    std::optional<std::string> before;  // the target's content beforehand
    bool result;
    std::optional<std::string> after;  // nullopt: no target file
    uint64_t limit = kMiB;
  };
  const Row rows[] = {
      {L"/bytes/10000/whole", "old", true, Pattern(10000)},
      {L"/bytes/1/one", std::nullopt, true, "0"},
      {L"/status/404/missing", "old", false, "old"},
      {L"/status/500/broken", std::nullopt, false, std::nullopt},
      {L"/empty/nothing", "old", false, std::nullopt},
      {L"/short/cut-before-length", std::nullopt, false, std::nullopt},
      {L"/cut/no-length", std::nullopt, true, Pattern(40)},
      {L"/redirect/moved", std::nullopt, true, Pattern(10)},
      {L"/trickle/slow", std::nullopt, false, std::nullopt},
      {L"/cut/no-length-past-limit", std::nullopt, false, std::nullopt, 39},
      {L"/bytes/10000/declared-past-limit", "old", false, "old", 9999},
  };
  int n = 0;
  for (const Row& r : rows) {
    const std::wstring target = Path(L"file" + std::to_wstring(++n) + L".jpg");
    if (r.before) WriteFileBytes(target, *r.before);
    const auto started = Clock::now();
    EXPECT_EQ(DownloadFile(Url(r.path), target, r.limit), r.result) << n;
    // The trickle runs for a minute unless it is given up on.
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(5)) << n;
    EXPECT_EQ(ReadFileBytes(target), r.after) << n;
  }
}

TEST_F(FetchWin, RefusedConnectionFailsWithoutAFile) {
  const std::wstring target = Path(L"refused.jpg");
  EXPECT_FALSE(DownloadFile(L"http://127.0.0.1:1/x", target, kMiB));
  EXPECT_EQ(ReadFileBytes(target), std::nullopt);
}

TEST_F(FetchWin, RequestCarriesTheUserAgent) {
  ASSERT_TRUE(DownloadFile(Url(L"/bytes/10/agent"), Path(L"agent.jpg"), kMiB));
  EXPECT_EQ(Ask(L"/_agent/bytes/10/agent"), "Mozilla/4.0 (compatible; MSIE 7.0; Win32)");
}

TEST_F(FetchWin, RedirectsAreCountedAndALoopEnds) {
  EXPECT_TRUE(DownloadFile(Url(L"/redirect/counted"), Path(L"counted.jpg"), kMiB));
  EXPECT_EQ(Ask(L"/_count/redirect/counted"), "1");
  EXPECT_EQ(Ask(L"/_count/bytes/10/counted"), "1");

  const std::wstring target = Path(L"loop.jpg");
  WriteFileBytes(target, "old");
  EXPECT_FALSE(DownloadFile(Url(L"/loop/round"), target, kMiB));
  EXPECT_EQ(Ask(L"/_count/loop/round"), std::to_string(kMaxRedirects + 1));
  EXPECT_EQ(ReadFileBytes(target), "old");
}

TEST_F(FetchWin, StopMakesTheWaiterReturnWhileTheReadIsBlocked) {
  const std::wstring target = Path(L"stalled.jpg");
  Clock::time_point stopped_at;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    stopped_at = Clock::now();
    stop_downloads = true;
  });
  const bool result = DownloadFile(Url(L"/stall/stop"), target, kMiB);
  const auto returned_at = Clock::now();
  stopper.join();
  stop_downloads = false;
  EXPECT_FALSE(result);
  // The server holds the body back for 30 s; the waiter must not wait for it.
  const auto late = std::chrono::duration_cast<std::chrono::milliseconds>(returned_at - stopped_at);
  EXPECT_LT(late.count(), 1000);
  std::printf("returned %lld ms after the stop flag\n", static_cast<long long>(late.count()));
  EXPECT_EQ(ReadFileBytes(target), std::nullopt);
}

TEST_F(FetchWin, ViaTempOntoAnExistingNameKeepsBothFiles) {
  const std::wstring target = Path(L"kept.jpg");
  WriteFileBytes(target, "old");
  EXPECT_FALSE(DownloadFileViaTemp(Url(L"/bytes/10/kept"), target, kMiB));
  EXPECT_EQ(ReadFileBytes(target), "old");
  EXPECT_EQ(ReadFileBytes(target + L".tmp"), Pattern(10));

  const std::wstring fresh = Path(L"fresh.jpg");
  EXPECT_TRUE(DownloadFileViaTemp(Url(L"/bytes/10/fresh"), fresh, kMiB));
  EXPECT_EQ(ReadFileBytes(fresh), Pattern(10));
  EXPECT_EQ(ReadFileBytes(fresh + L".tmp"), std::nullopt);

  EXPECT_FALSE(DownloadFileViaTemp(Url(L"/status/404/temp"), Path(L"none.jpg"), kMiB));
  EXPECT_EQ(ReadFileBytes(Path(L"none.jpg.tmp")), std::nullopt);
}

TEST_F(FetchWin, DownloadToMemoryHandsOverTheFile) {
  std::string bytes = "x";
  const std::wstring target = Path(L"ten.htm");
  ASSERT_TRUE(DownloadToMemory(Url(L"/bytes/10/memory"), target, kMiB, bytes));
  EXPECT_EQ(bytes, Pattern(10));
  EXPECT_EQ(ReadFileBytes(target), Pattern(10));

  EXPECT_FALSE(DownloadToMemory(Url(L"/status/404/memory"), target, kMiB, bytes));
  EXPECT_TRUE(bytes.empty());
}

}  // namespace
