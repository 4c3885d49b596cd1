#include "net/http_fetch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <thread>
#include <vector>

namespace {

constexpr int64_t kNever = INT64_MAX;

struct FakeRead {
  int64_t at_ms = 0;  // the read returns once the clock reaches this
  std::string data;
  ReadOutcome outcome = ReadOutcome::kData;
};

struct FakeAnswer {
  int64_t at_ms = 0;
  bool opens = true;
  std::string status = "200";
  std::wstring location;
  std::optional<uint64_t> length;
  int64_t headers_at_ms = 0;  // the length is known once the clock reaches this
  std::vector<FakeRead> reads;  // a clean end follows the last one
};

FakeRead End(int64_t at_ms = 0) { return {at_ms, "", ReadOutcome::kCleanEnd}; }
FakeRead Broken(int64_t at_ms = 0) { return {at_ms, "", ReadOutcome::kError}; }
FakeAnswer Body(std::string data) { return {.reads = {{0, std::move(data)}, End()}}; }
FakeAnswer Redirect(std::wstring to) { return {.status = "302", .location = std::move(to)}; }

// One download's world: a clock in milliseconds, the server's answers, the
// files on disk. In lock-step mode the waiter's sleep advances the clock and
// then waits until the fetch thread is blocked on a later time or has ended,
// so every run plays out the same however the threads are scheduled.
struct World {
  std::mutex m;
  std::condition_variable cv;
  bool lock_step = true;
  bool frozen = false;  // lock-step with a clock that never moves: only release_all ends a wait
  int64_t clock_ms = 0;
  bool idle = false;
  int64_t idle_at = -1;
  bool done = false;
  bool release_all = false;
  std::optional<int64_t> stop_at;
  std::atomic<bool> stop{false};

  bool session_ok = true;
  std::map<std::wstring, FakeAnswer> answers;
  std::vector<std::wstring> requests;
  int transports_alive = 0;

  std::map<std::wstring, std::string> files;
  std::map<std::wstring, int> open_count;
  std::set<std::wstring> fail_create;
  int creates = 0;
  bool disk_full = false;
  int deletes_while_open = 0;

  void WaitUntil(int64_t at_ms) {
    std::unique_lock lock(m);
    if (!lock_step) return;
    while (clock_ms < at_ms && !release_all) {
      idle = true;
      idle_at = clock_ms;
      cv.notify_all();
      cv.wait(lock);
    }
    idle = false;
  }
  void Advance(unsigned ms) {
    std::unique_lock lock(m);
    if (!lock_step || frozen) {
      lock.unlock();
      std::this_thread::sleep_for(std::chrono::milliseconds(frozen ? 1 : 0));
      return;
    }
    clock_ms += ms;
    if (stop_at && clock_ms >= *stop_at) stop = true;
    cv.notify_all();
    cv.wait(lock, [&] { return done || (idle && idle_at == clock_ms); });
  }
  void MarkDone() {
    std::lock_guard lock(m);
    done = true;
    cv.notify_all();
  }
  void ReleaseAll() {
    std::lock_guard lock(m);
    release_all = true;
    cv.notify_all();
  }
  int64_t Now() {
    std::lock_guard lock(m);
    return clock_ms;
  }
};

class WorldClock final : public FetchClock {
 public:
  explicit WorldClock(std::shared_ptr<World> w) : w_(std::move(w)) {}
  int64_t NowMilliseconds() override { return w_->Now(); }
  void Sleep(unsigned ms) override { w_->Advance(ms); }

 private:
  std::shared_ptr<World> w_;
};

class WorldFile final : public FetchFile {
 public:
  WorldFile(std::shared_ptr<World> w, std::wstring path) : w_(std::move(w)), path_(std::move(path)) {}
  ~WorldFile() override {
    std::lock_guard lock(w_->m);
    --w_->open_count[path_];
  }
  bool Write(const char* data, std::size_t size) override {
    std::lock_guard lock(w_->m);
    if (w_->disk_full) return false;
    w_->files[path_].append(data, size);
    return true;
  }

 private:
  std::shared_ptr<World> w_;
  std::wstring path_;
};

class WorldFiles final : public FetchFileSystem {
 public:
  explicit WorldFiles(std::shared_ptr<World> w) : w_(std::move(w)) {}
  std::unique_ptr<FetchFile> Create(std::wstring_view path) override {
    std::lock_guard lock(w_->m);
    const std::wstring name(path);
    if (w_->fail_create.count(name)) return nullptr;
    ++w_->creates;
    w_->files[name].clear();
    ++w_->open_count[name];
    return std::make_unique<WorldFile>(w_, name);
  }
  void Delete(std::wstring_view path) override {
    std::lock_guard lock(w_->m);
    const std::wstring name(path);
    // Windows refuses to delete a file that is still open for writing.
    if (w_->open_count[name] > 0) {
      ++w_->deletes_while_open;
      return;
    }
    w_->files.erase(name);
  }

 private:
  std::shared_ptr<World> w_;
};

class WorldTransport final : public FetchTransport {
 public:
  explicit WorldTransport(std::shared_ptr<World> w) : w_(std::move(w)) {
    std::lock_guard lock(w_->m);
    ++w_->transports_alive;
  }
  ~WorldTransport() override {
    std::lock_guard lock(w_->m);
    --w_->transports_alive;
  }
  bool OpenSession() override { return w_->session_ok; }
  bool OpenRequest(std::wstring_view address) override {
    {
      std::lock_guard lock(w_->m);
      w_->requests.emplace_back(address);
      auto found = w_->answers.find(std::wstring(address));
      if (found == w_->answers.end()) return false;
      answer_ = found->second;
    }
    next_read_ = 0;
    w_->WaitUntil(answer_.at_ms);
    return answer_.opens;
  }
  std::string StatusText() override { return answer_.status; }
  std::wstring Location() override { return answer_.location; }
  std::optional<uint64_t> ContentLength() override {
    w_->WaitUntil(answer_.headers_at_ms);
    return answer_.length;
  }
  ReadChunk Read(char* buffer, std::size_t capacity) override {
    if (next_read_ >= answer_.reads.size()) return {ReadOutcome::kCleanEnd, 0};
    const FakeRead& read = answer_.reads[next_read_++];
    w_->WaitUntil(read.at_ms);
    EXPECT_LE(read.data.size(), capacity);
    read.data.copy(buffer, capacity);
    return {read.outcome, read.data.size()};
  }

 private:
  std::shared_ptr<World> w_;
  FakeAnswer answer_;
  std::size_t next_read_ = 0;
};

constexpr wchar_t kAddress[] = L"http://site/a";
constexpr wchar_t kTarget[] = L"photo.jpg";

class Fetch : public testing::Test {
 protected:
  FetchEnvironment Env() {
    FetchEnvironment env;
    auto w = world;
    env.make_transport = [w] { return std::make_unique<WorldTransport>(w); };
    env.files = std::make_shared<WorldFiles>(w);
    env.clock = std::make_shared<WorldClock>(w);
    env.start_thread = [this, w](std::function<void()> body) {
      threads.emplace_back([w, body = std::move(body)] {
        body();
        w->MarkDone();
      });
      return true;
    };
    env.stop = &w->stop;
    env.running = running;
    return env;
  }
  bool Download(std::wstring_view target = kTarget, uint64_t limit = kMiB) {
    return DownloadFileWith(kAddress, target, limit, Env());
  }
  // Lets the fetch thread run to its end (the waiter never does this).
  void FinishFetchThread() {
    world->ReleaseAll();
    for (auto& t : threads) t.join();
    threads.clear();
  }
  std::optional<std::string> File(const std::wstring& path = kTarget) {
    auto found = world->files.find(path);
    if (found == world->files.end()) return std::nullopt;
    return found->second;
  }
  // After every test: no handle, file or write left behind by either side.
  void TearDown() override {
    FinishFetchThread();
    EXPECT_EQ(world->transports_alive, 0);
    for (const auto& [path, count] : world->open_count) EXPECT_EQ(count, 0) << "still open";
    EXPECT_EQ(world->deletes_while_open, 0);
  }

  std::shared_ptr<World> world = std::make_shared<World>();
  std::shared_ptr<RunningDownloads> running = std::make_shared<RunningDownloads>();
  std::vector<std::thread> threads;
};

TEST(FetchRules, ClassifyRead) {
  struct Row {
    bool ok;
    std::size_t bytes;
    uint32_t error;
    ReadOutcome outcome;
  };
  const Row rows[] = {
      {true, 10, 0, ReadOutcome::kData},      {true, 10, 12345, ReadOutcome::kData},
      {true, 0, 997, ReadOutcome::kData},     {true, 0, 0, ReadOutcome::kCleanEnd},
      {true, 0, 10054, ReadOutcome::kError},  {false, 10, 0, ReadOutcome::kError},
      {false, 0, 0, ReadOutcome::kError},
  };
  for (const Row& r : rows) {
    const ReadChunk chunk = ClassifyRead(r.ok, r.bytes, r.error);
    EXPECT_EQ(chunk.outcome, r.outcome) << r.ok << " " << r.bytes << " " << r.error;
    EXPECT_EQ(chunk.bytes, r.outcome == ReadOutcome::kData ? r.bytes : 0u);
  }
}

TEST(FetchRules, OneCheckOfTheWaiter) {
  struct Row {
    const char* name;
    int32_t state;
    bool stop;
    int64_t now, last_activity, elapsed_ms;
    uint32_t received, rate_before;
    WaitVerdict verdict;
    uint32_t rate_after;
  };
  const Row rows[] = {
      {"succeeded", kSucceeded, true, 999, 0, 0, 0, 5, WaitVerdict::kFinished, 5},
      {"failed", kFailed, false, 1, 1, 0, 0, 0, WaitVerdict::kFinished, 0},
      {"stop", kRunning, true, 1, 1, 0, 0, 0, WaitVerdict::kAbandon, 0},
      {"180 s idle is allowed", kRunning, false, 1180, 1000, 0, 0, 0, WaitVerdict::kKeepWaiting, 0},
      {"181 s idle abandons", kRunning, false, 1181, 1000, 0, 0, 0, WaitVerdict::kAbandon, 0},
      {"previous rate 29 abandons", kRunning, false, 1010, 1010, 10000, 290, 29, WaitVerdict::kAbandon, 29},
      {"previous rate 1 abandons", kRunning, false, 1010, 1010, 10000, 10, 1, WaitVerdict::kAbandon, 1},
      {"previous rate 30 is enough", kRunning, false, 1010, 1010, 10000, 100, 30, WaitVerdict::kKeepWaiting, 10},
      {"rate 0 never abandons", kRunning, false, 1010, 1010, 10000, 1, 0, WaitVerdict::kKeepWaiting, 0},
      {"20 bytes after 2 s measures 10", kRunning, false, 1002, 1002, 2000, 20, 0, WaitVerdict::kKeepWaiting, 10},
      {"1 byte after 2 s measures 0", kRunning, false, 1002, 1002, 2000, 1, 0, WaitVerdict::kKeepWaiting, 0},
      {"rounded down", kRunning, false, 1003, 1003, 3000, 100, 0, WaitVerdict::kKeepWaiting, 33},
      {"over real time, not clock seconds", kRunning, false, 1003, 1003, 1500, 60, 0, WaitVerdict::kKeepWaiting, 40},
      // 100 B/s, 0.1 s in, just after the clock's second changed: too soon to tell.
      {"under a second is not measured", kRunning, false, 1001, 1001, 100, 10, 0, WaitVerdict::kKeepWaiting, 0},
      {"nothing received keeps the rate", kRunning, false, 1005, 1005, 5000, 0, 40, WaitVerdict::kKeepWaiting, 40},
  };
  for (const Row& r : rows) {
    uint32_t rate = r.rate_before;
    EXPECT_EQ(CheckFetch(r.state, r.stop, r.now, r.last_activity, r.elapsed_ms, r.received, rate), r.verdict)
        << r.name;
    EXPECT_EQ(rate, r.rate_after) << r.name;
  }
}

TEST(FetchRules, ResolveLocation) {
  struct Row {
    const wchar_t* address;
    const wchar_t* location;
    const wchar_t* resolved;
  };
  const Row rows[] = {
      {L"http://h:8080/a/b?q=1", L"http://other/x", L"http://other/x"},
      {L"http://h/a", L"HTTPS://other/x", L"HTTPS://other/x"},
      {L"http://h:8080/a/b?q=1", L"/c/d", L"http://h:8080/c/d"},
      {L"http://h:8080/a/b?q=1", L"c", L"http://h:8080/a/c"},
      {L"http://h:8080/a/b/", L"c?x=/y", L"http://h:8080/a/b/c?x=/y"},
      {L"http://h", L"c", L"http://h/c"},
      {L"http://h?q", L"c", L"http://h/c"},
      {L"http://h/a/b?q=1", L"?r=2", L"http://h/a/b?r=2"},
      {L"https://h/a", L"//cdn/p", L"https://cdn/p"},
      {L"http://h/a?q#f", L"#g", L"http://h/a?q"},
      {L"http://h/a", L"  /b \r\n", L"http://h/b"},
      {L"http://h/a", L"", L""},
      {L"http://h/a", L"ftp://h/x", L""},
      {L"http://h/a", L"file:c:/x", L""},
      {L"http://h/a", L"javascript:x", L""},
      {L"not an address", L"/x", L""},
  };
  for (const Row& r : rows) EXPECT_EQ(ResolveLocation(r.address, r.location), r.resolved) << r.location;
}

TEST(FetchRules, ParseContentLength) {
  struct Row {
    const wchar_t* text;
    std::optional<uint64_t> value;
  };
  const Row rows[] = {
      {L"10", 10},   {L" 0 ", 0},       {L"18446744073709551615", UINT64_MAX}, {L"18446744073709551616", std::nullopt},
      {L"", std::nullopt}, {L"-1", std::nullopt}, {L"12a", std::nullopt}, {L"1 2", std::nullopt},
  };
  for (const Row& r : rows) EXPECT_EQ(ParseContentLength(r.text), r.value) << r.text;
}

// Every way a fetch can end without the waiter giving up.
TEST_F(Fetch, OutcomeTable) {
  struct Row {
    const char* name;
    std::map<std::wstring, FakeAnswer> answers;
    std::optional<std::string> expected;  // the target afterwards; nullopt: gone
    bool result = false;
    bool session_ok = true;
    bool fail_create = false;
    std::size_t requests = 1;
    bool disk_full = false;
    uint64_t limit = kMiB;
  };
  const std::string old = "old photo";
  const std::string big(10000, 'b');
  std::map<std::wstring, FakeAnswer> loop = {{kAddress, Redirect(L"/a")}};
  std::map<std::wstring, FakeAnswer> five_hops, six_hops;
  for (int i = 0; i < 6; ++i) {
    const std::wstring from = i == 0 ? kAddress : L"http://site/" + std::to_wstring(i);
    five_hops[from] = six_hops[from] = Redirect(std::to_wstring(i + 1));
  }
  five_hops[L"http://site/5"] = Body("five");
  six_hops[L"http://site/6"] = Body("six");
  const Row rows[] = {
      {"whole body", {{kAddress, Body("hello")}}, "hello", true},
      {"several chunks", {{kAddress, {.reads = {{0, big.substr(0, 4096)}, {0, big.substr(4096, 4096)},
                                                {0, big.substr(8192)}}}}}, big, true},
      {"pending read carries on", {{kAddress, {.reads = {{0, "ab"}, {0, "", ReadOutcome::kData}, {0, "c"}}}}},
       "abc", true},
      {"declared length met", {{kAddress, {.length = 5, .reads = {{0, "hello"}}}}}, "hello", true},
      {"body short of its declared length", {{kAddress, {.length = 6, .reads = {{0, "hello"}}}}}, std::nullopt},
      {"session cannot open", {{kAddress, Body("x")}}, old, false, false, false, 0},
      {"request cannot open", {{kAddress, {.opens = false}}}, old},
      {"404", {{kAddress, {.status = "404", .reads = {{0, "not found"}}}}}, old},
      {"500", {{kAddress, {.status = "500"}}}, old},
      {"status unreadable", {{kAddress, {.status = ""}}}, old},
      {"status 20", {{kAddress, {.status = "20", .reads = {{0, "x"}}}}}, old},
      {"target cannot be created", {{kAddress, Body("x")}}, old, false, true, true},
      {"empty body", {{kAddress, {.reads = {End()}}}}, std::nullopt},
      {"read error", {{kAddress, {.reads = {{0, "abc"}, Broken()}}}}, std::nullopt},
      {"read error first", {{kAddress, {.reads = {Broken()}}}}, std::nullopt},
      {"write fails", {{kAddress, Body("x")}}, std::nullopt, false, true, false, 1, true},
      {"redirect followed", {{kAddress, Redirect(L"/b")}, {L"http://site/b", Body("moved")}}, "moved", true, true,
       false, 2},
      {"redirect to a 404", {{kAddress, Redirect(L"b")}, {L"http://site/b", {.status = "404"}}}, old, false, true,
       false, 2},
      {"redirect without location", {{kAddress, Redirect(L"")}}, old},
      {"redirect loop", loop, old, false, true, false, 6},
      {"five hops", five_hops, "five", true, true, false, 6},
      {"six hops", six_hops, old, false, true, false, 6},
      {"exactly its limit", {{kAddress, Body("hello")}}, "hello", true, true, false, 1, false, 5},
      // A server that never stops sending: the body fails the moment it passes the limit.
      {"body past its limit", {{kAddress, {.reads = {{0, "hel"}, {0, "lo"}, {0, "!"}, {kNever, "..."}}}}},
       std::nullopt, false, true, false, 1, false, 5},
      {"declared past its limit", {{kAddress, {.length = 6, .reads = {{0, "hello!"}}}}}, old, false, true, false, 1,
       false, 5},
  };
  for (const Row& r : rows) {
    world = std::make_shared<World>();
    world->answers = r.answers;
    world->session_ok = r.session_ok;
    world->disk_full = r.disk_full;
    world->files[kTarget] = old;
    // The row that cannot create its target does not have one beforehand either.
    if (r.fail_create) {
      world->fail_create.insert(kTarget);
      world->files.erase(kTarget);
    }
    EXPECT_EQ(Download(kTarget, r.limit), r.result) << r.name;
    FinishFetchThread();
    EXPECT_EQ(File(), r.fail_create ? std::nullopt : r.expected) << r.name;
    EXPECT_EQ(world->requests.size(), r.requests) << r.name;
    TearDown();
  }
}

// The waiter's limits on a fetch thread that is slow or stuck; times in ms.
TEST_F(Fetch, GivingUpTable) {
  struct Row {
    const char* name;
    FakeAnswer answer;
    std::optional<int64_t> stop_at;
    bool result;
    int64_t returns_at;
  };
  const std::string lots(4096, 'x');
  const Row rows[] = {
      {"no answer for 181 s", {.at_ms = kNever}, std::nullopt, false, 181000},
      {"no further bytes for 181 s", {.reads = {{0, lots}, {0, lots}, {0, lots}, {kNever, "x"}}}, std::nullopt,
       false, 181000},
      {"slow but steady chunks", {.reads = {{0, lots}, {100000, lots}, {200000, lots}, {300000, lots}, End(350000)}},
       std::nullopt, true, 350000},
      {"20 bytes after 2 s", {.reads = {{2000, std::string(20, 'r')}, {kNever, "x"}}}, std::nullopt, false, 2100},
      {"1 byte after 2 s", {.reads = {{2000, "r"}, {5000, std::string(200, 'r')}, End(5000)}}, std::nullopt, true,
       5000},
      {"30 B/s is enough", {.reads = {{2000, std::string(75, 'r')}, End(2500)}}, std::nullopt, true, 2500},
      {"stop while waiting for the answer", {.at_ms = kNever}, 700, false, 700},
      {"stop while reading", {.reads = {{0, "abc"}, {kNever, "late bytes"}}}, 300, false, 300},
  };
  for (const Row& r : rows) {
    world = std::make_shared<World>();
    world->answers[kAddress] = r.answer;
    world->stop_at = r.stop_at;
    EXPECT_EQ(Download(), r.result) << r.name;
    EXPECT_EQ(world->Now(), r.returns_at) << r.name;
    if (!r.result) EXPECT_EQ(File(), std::nullopt) << r.name;
    // Whatever the late fetch thread still gets, it leaves the disk alone.
    FinishFetchThread();
    if (!r.result) EXPECT_EQ(File(), std::nullopt) << r.name;
    TearDown();
  }
}

TEST_F(Fetch, AbandonDeletesAFileThisFetchNeverOpened) {
  world->answers[kAddress] = {.at_ms = kNever};
  world->files[kTarget] = "from an earlier run";
  world->stop_at = 100;
  EXPECT_FALSE(Download());
  EXPECT_EQ(File(), std::nullopt);
}

// A fetch thread that comes back after its waiter gave up, wherever it was
// blocked, neither creates, writes nor deletes anything: by then the name may
// belong to the next download.
TEST_F(Fetch, LateFetchThreadLeavesTheDiskAlone) {
  struct Row {
    const char* name;
    FakeAnswer answer;
  };
  const Row rows[] = {
      {"answer arrives late", {.at_ms = 5000, .reads = {{5000, "late"}}}},
      {"headers read late", {.headers_at_ms = 5000, .reads = {{5000, "late"}}}},
      {"bytes arrive late", {.reads = {{0, "abc"}, {5000, "late"}}}},
      {"clean end arrives late", {.reads = {{0, "abc"}, End(5000)}}},
      {"read error arrives late", {.reads = {{0, "abc"}, Broken(5000)}}},
  };
  for (const Row& r : rows) {
    world = std::make_shared<World>();
    world->answers[kAddress] = r.answer;
    world->stop_at = 1000;
    EXPECT_FALSE(Download()) << r.name;
    EXPECT_EQ(File(), std::nullopt) << r.name;
    const int creates = world->creates;
    world->files[kTarget] = "next download";
    FinishFetchThread();
    EXPECT_EQ(File(), "next download") << r.name;
    EXPECT_EQ(world->creates, creates) << r.name;
    TearDown();
  }
}

TEST_F(Fetch, RefusesWhatItCannotHoldAndAThreadItCannotStart) {
  world->answers[kAddress] = Body("x");
  const std::wstring long_name(kMaxFetchText + 1, L'n');
  EXPECT_FALSE(Download(long_name));
  EXPECT_FALSE(DownloadFileWith(L"http://site/" + long_name, kTarget, kMiB, Env()));
  FetchEnvironment env = Env();
  env.start_thread = [](std::function<void()>) { return false; };
  EXPECT_FALSE(DownloadFileWith(kAddress, kTarget, kMiB, env));
  EXPECT_TRUE(threads.empty());
  EXPECT_EQ(world->creates, 0);
  EXPECT_TRUE(Download(std::wstring(kMaxFetchText, L'n')));
}

// The process ends while a download is still running: shutdown abandons it,
// so its file is gone before the process is, and no later download starts.
TEST_F(Fetch, ShutdownAbandonsRunningDownloadsAndStartsNoNewOnes) {
  world->frozen = true;  // the waiter's own limits never come into play
  world->answers[kAddress] = {.reads = {{0, "part"}, {kNever, "rest"}}};
  std::atomic<int> result{-1};
  std::thread waiter([&] { result = Download(); });
  for (bool written = false; !written; std::this_thread::yield()) {
    const std::lock_guard lock(world->m);
    written = world->files.count(kTarget) && !world->files[kTarget].empty();
  }
  AbandonRunningDownloads(Env());
  waiter.join();
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(Download());
  const std::lock_guard lock(world->m);
  EXPECT_EQ(world->files.count(kTarget), 0u);
  EXPECT_EQ(world->requests.size(), 1u);
  EXPECT_EQ(world->creates, 1);
}

// The fetch thread finishing and the waiter giving up, raced many times with
// real scheduling: whoever wins, the result and the disk agree, and the job
// and every handle are released once (sanitizer builds check the release).
TEST_F(Fetch, FinishRacingAbandon) {
  std::mt19937 random(12345);
  int wins[2] = {0, 0};
  for (int i = 0; i < 400; ++i) {
    world = std::make_shared<World>();
    world->lock_step = false;
    world->answers[kAddress] = {.reads = {{0, "body"}, {0, "-tail"}}};
    const int spins = static_cast<int>(random() % 3000);
    std::thread stopper([w = world, spins] {
      std::atomic<int> spun{0};
      while (spun.fetch_add(1, std::memory_order_relaxed) < spins) {
      }
      w->stop = true;
    });
    const bool result = Download();
    stopper.join();
    FinishFetchThread();
    ++wins[result];
    EXPECT_EQ(File(), result ? std::optional<std::string>("body-tail") : std::nullopt) << i;
    TearDown();
  }
  std::printf("fetch won %d, abandon won %d\n", wins[1], wins[0]);
}

}  // namespace
