#include "net/http_fetch.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <new>
#include <thread>
#include <utility>

ReadChunk ClassifyRead(bool succeeded, std::size_t bytes, uint32_t last_error) {
  if (!succeeded) return {ReadOutcome::kError, 0};
  if (bytes > 0 || last_error == kErrorIoPending) return {ReadOutcome::kData, bytes};
  if (last_error == 0) return {ReadOutcome::kCleanEnd, 0};
  return {ReadOutcome::kError, 0};
}

WaitVerdict CheckFetch(int32_t state, bool stop, int64_t now, int64_t last_activity, int64_t elapsed_ms,
                       uint32_t received, uint32_t& rate) {
  if (state != kRunning) return WaitVerdict::kFinished;
  if (stop) return WaitVerdict::kAbandon;
  if (now - last_activity > kInactivitySeconds) return WaitVerdict::kAbandon;
  // The rate tested is the one measured at the previous check.
  if (rate != 0 && rate < kMinimumRate) return WaitVerdict::kAbandon;
  // Measured over the real time since the start, not over whole clock
  // seconds: the first second boundary may come a tenth of a second after the
  // start, and a healthy slow body would then look ten times slower.
  if (received > 0 && elapsed_ms >= 1000) rate = static_cast<uint32_t>(int64_t{received} * 1000 / elapsed_ms);
  return WaitVerdict::kKeepWaiting;
}

bool IsRedirectStatus(std::string_view status) {
  return status == "301" || status == "302" || status == "303" || status == "307" || status == "308";
}

namespace {

std::wstring_view Trim(std::wstring_view text) {
  while (!text.empty() && IsBlankOrLineEnd(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankOrLineEnd(text.back())) text.remove_suffix(1);
  return text;
}

bool StartsWithIgnoreCase(std::wstring_view text, std::wstring_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

bool IsHttpAddress(std::wstring_view address) {
  return StartsWithIgnoreCase(address, L"http://") || StartsWithIgnoreCase(address, L"https://");
}

}  // namespace

std::wstring ResolveLocation(std::wstring_view address, std::wstring_view location) {
  location = Trim(location);
  if (location.empty() || !IsHttpAddress(address)) return {};
  if (IsHttpAddress(location)) return std::wstring(location);

  const std::size_t scheme_end = address.find(L"://");
  const std::size_t authority_start = scheme_end + 3;
  std::size_t path_start = address.find_first_of(L"/?#", authority_start);
  if (path_start == std::wstring_view::npos) path_start = address.size();
  const std::wstring_view scheme = address.substr(0, scheme_end + 1);  // "http:"
  const std::wstring_view origin = address.substr(0, path_start);      // "http://host:port"
  const std::size_t query_start = std::min(address.find_first_of(L"?#", path_start), address.size());
  const std::wstring_view path = address.substr(path_start, query_start - path_start);

  if (location.starts_with(L"//")) return std::wstring(scheme) + std::wstring(location);
  // Any other scheme is refused: the saver fetches nothing but HTTP.
  const std::size_t colon = location.find(L':');
  if (colon != std::wstring_view::npos && location.find_first_of(L"/?#") > colon) return {};
  if (location.front() == L'/') return std::wstring(origin) + std::wstring(location);
  if (location.front() == L'?') return std::wstring(origin) + std::wstring(path) + std::wstring(location);
  if (location.front() == L'#') return std::wstring(address.substr(0, std::min(address.find(L'#'), address.size())));
  const std::size_t last_slash = path.rfind(L'/');
  const std::wstring_view folder = last_slash == std::wstring_view::npos ? L"/" : path.substr(0, last_slash + 1);
  return std::wstring(origin) + std::wstring(folder) + std::wstring(location);
}

std::optional<uint64_t> ParseContentLength(std::wstring_view text) {
  text = Trim(text);
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    const uint64_t digit = static_cast<uint64_t>(c - L'0');
    if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

namespace {

bool Running(const FetchJob& job) { return job.state.load() == kRunning; }

// Ends the job as failed. With `remove_target` the target goes first, unless
// the waiter has already given up and cleaned up after it.
void Fail(FetchJob& job, FetchFileSystem& files, bool remove_target) {
  if (remove_target) {
    std::lock_guard lock(job.file_lock);
    if (!Running(job)) return;
    job.file.reset();
    files.Delete(job.target.View());
  }
  int32_t expected = kRunning;
  job.state.compare_exchange_strong(expected, kFailed);
}

// Opens the job's address, following at most kMaxRedirects redirects, and
// returns the final status text; empty when the job ended meanwhile.
std::optional<std::string> OpenFinalAnswer(FetchJob& job, FetchTransport& transport, FetchClock& clock) {
  std::wstring address(job.address.View());
  std::string status;
  for (int hop = 0;; ++hop) {
    const bool opened = transport.OpenRequest(address);
    if (!Running(job)) return std::nullopt;
    if (!opened) return std::string();
    status = transport.StatusText();
    if (!IsRedirectStatus(status) || hop == kMaxRedirects) return status;
    address = ResolveLocation(address, transport.Location());
    if (address.empty()) return status;
    job.last_activity = clock.NowSeconds();
  }
}

// Reads the body into the job's file. True when it ended cleanly.
bool ReadBody(FetchJob& job, FetchTransport& transport, FetchClock& clock) {
  std::array<char, kChunkSize> buffer;
  for (;;) {
    const ReadChunk chunk = transport.Read(buffer.data(), buffer.size());
    if (chunk.outcome == ReadOutcome::kError || !Running(job)) return false;
    if (chunk.outcome == ReadOutcome::kCleanEnd) return true;
    // A server that never stops sending must not fill the disk.
    if (job.received.load() + chunk.bytes > job.limit) return false;
    {
      std::lock_guard lock(job.file_lock);
      if (!Running(job)) return false;
      if (!job.file->Write(buffer.data(), chunk.bytes)) return false;
    }
    job.received += static_cast<uint32_t>(chunk.bytes);
    job.last_activity = clock.NowSeconds();
  }
}

}  // namespace

namespace {

void Fetch(const std::shared_ptr<FetchJob>& job_ref, const FetchEnvironment& env) {
  FetchJob& job = *job_ref;
  FetchFileSystem& files = *env.files;
  FetchClock& clock = *env.clock;

  std::unique_ptr<FetchTransport> transport = env.make_transport();
  const bool session = transport && transport->OpenSession();
  if (!Running(job)) return;
  if (!session) return Fail(job, files, false);

  job.last_activity = clock.NowSeconds();
  const std::optional<std::string> status = OpenFinalAnswer(job, *transport, clock);
  if (!status) return;
  if (*status != "200") return Fail(job, files, false);
  // Wine reads a body cut short of its declared length as a clean end, so the
  // declared length, when there is one, decides whether the body is whole.
  const std::optional<uint64_t> declared = transport->ContentLength();
  if (declared && *declared > job.limit) return Fail(job, files, false);

  bool created = false;
  {
    std::lock_guard lock(job.file_lock);
    if (!Running(job)) return;
    job.file = files.Create(job.target.View());
    created = job.file != nullptr;
  }
  job.last_activity = clock.NowSeconds();

  const bool clean_end = created && ReadBody(job, *transport, clock);
  {
    std::lock_guard lock(job.file_lock);
    if (Running(job)) job.file.reset();
  }
  const uint32_t received = job.received;
  const bool complete = clean_end && Running(job) && received > 0 && (!declared || *declared == received);
  transport.reset();

  if (complete) {
    // Should the waiter abandon the job right now, it deletes the file itself.
    int32_t expected = kRunning;
    job.state.compare_exchange_strong(expected, kSucceeded);
    return;
  }
  Fail(job, files, true);
}

}  // namespace

void RunFetchThread(const std::shared_ptr<FetchJob>& job, const FetchEnvironment& env) {
  try {
    Fetch(job, env);
  } catch (const std::bad_alloc&) {
    Fail(*job, *env.files, true);
  }
}

namespace {

// Gives up on a running job: afterwards the fetch thread can no longer create,
// write or keep the target. A job that finished at this very moment keeps its result.
bool Abandon(FetchJob& job, FetchFileSystem& files) {
  int32_t expected = kRunning;
  if (!job.state.compare_exchange_strong(expected, kAbandoned)) return expected == kSucceeded;
  std::lock_guard lock(job.file_lock);
  job.file.reset();
  // Whatever stands under that name goes, even a file this fetch never opened.
  files.Delete(job.target.View());
  return false;
}

// Lists the job among the running downloads for as long as its waiter waits.
class RunningEntry {
 public:
  RunningEntry(RunningDownloads& running, std::shared_ptr<FetchJob> job) : running_(running) {
    const std::lock_guard hold(running_.lock);
    if (running_.closed) return;
    running_.jobs.push_back(job);
    job_ = std::move(job);
  }
  ~RunningEntry() {
    if (!job_) return;
    const std::lock_guard hold(running_.lock);
    std::erase(running_.jobs, job_);
  }
  RunningEntry(const RunningEntry&) = delete;
  RunningEntry& operator=(const RunningEntry&) = delete;
  bool listed() const { return job_ != nullptr; }

 private:
  RunningDownloads& running_;
  std::shared_ptr<FetchJob> job_;
};

bool Wait(FetchJob& job, const FetchEnvironment& env) {
  const int64_t start_ms = env.clock->NowMilliseconds();
  uint32_t rate = 0;
  for (;;) {
    const int64_t now_ms = env.clock->NowMilliseconds();
    const int32_t state = job.state.load();
    switch (CheckFetch(state, env.stop->load(), now_ms / 1000, job.last_activity.load(), now_ms - start_ms,
                       job.received.load(), rate)) {
      case WaitVerdict::kFinished:
        return state == kSucceeded;
      case WaitVerdict::kAbandon:
        return Abandon(job, *env.files);
      case WaitVerdict::kKeepWaiting:
        break;
    }
    env.clock->Sleep(kPollMilliseconds);
  }
}

}  // namespace

bool DownloadFileWith(std::wstring_view address, std::wstring_view target, uint64_t limit,
                      const FetchEnvironment& env) {
  // A cut address or name would fetch or write the wrong thing.
  if (address.size() > kMaxFetchText || target.size() > kMaxFetchText) return false;
  try {
    auto job = std::make_shared<FetchJob>();
    job->address.Assign(address);
    job->target.Assign(target);
    job->limit = limit;
    job->last_activity = env.clock->NowSeconds();
    // Listed before its thread starts, so shutdown can never miss a file it creates.
    const RunningEntry entry(*env.running, job);
    if (!entry.listed()) return false;
    if (!env.start_thread([job, env] { RunFetchThread(job, env); })) return false;
    return Wait(*job, env);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void AbandonRunningDownloads(const FetchEnvironment& env) {
  const std::lock_guard hold(env.running->lock);
  env.running->closed = true;
  for (const std::shared_ptr<FetchJob>& job : env.running->jobs) Abandon(*job, *env.files);
}

namespace {

class SystemClock final : public FetchClock {
 public:
  int64_t NowMilliseconds() override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }
  void Sleep(unsigned milliseconds) override { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
};

}  // namespace

std::shared_ptr<FetchClock> SystemFetchClock() { return std::make_shared<SystemClock>(); }
