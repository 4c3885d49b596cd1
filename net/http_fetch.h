// One HTTP GET into one file: the waiting caller and the fetch thread it
// starts, written over small transport, file and clock interfaces so the
// waiting rules and the hand-over run the same natively and on Windows.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/data_folder.h"
#include "base/wide_text.h"

inline constexpr wchar_t kUserAgent[] = L"Mozilla/4.0 (compatible; MSIE 7.0; Win32)";
inline constexpr std::size_t kChunkSize = 4096;           // largest single read of the body
inline constexpr unsigned kPollMilliseconds = 100;        // the waiter's sleep between checks
inline constexpr int64_t kInactivitySeconds = 180;        // no progress for longer abandons
inline constexpr uint32_t kMinimumRate = 30;              // bytes per second, average since the start
inline constexpr int kMaxRedirects = 5;                   // hops followed before the answer counts as final
inline constexpr std::size_t kMaxFetchText = kMaxPath - 1;  // address and target, terminator excluded
inline constexpr std::wstring_view kTempSuffix = L".tmp";  // DownloadFileViaTemp downloads into target + this
inline constexpr uint32_t kErrorIoPending = 997;          // a read that succeeded but has more to come
inline constexpr uint64_t kMiB = 1024 * 1024;               // callers state their size limits in these

// What one read of the body amounts to.
enum class ReadOutcome { kData, kCleanEnd, kError };

struct ReadChunk {
  ReadOutcome outcome = ReadOutcome::kError;
  std::size_t bytes = 0;
};

// The platform's read result: a successful read with bytes, or with none but
// "pending", carries data; none and no error is the clean end; the rest fails.
ReadChunk ClassifyRead(bool succeeded, std::size_t bytes, uint32_t last_error);

// One request at a time over one session; destroying it closes every handle.
class FetchTransport {
 public:
  virtual ~FetchTransport() = default;
  virtual bool OpenSession() = 0;
  // Opens a GET of `address` without following redirects; closes the previous request.
  virtual bool OpenRequest(std::wstring_view address) = 0;
  // The status code as text, at most three characters; empty when unreadable.
  virtual std::string StatusText() = 0;
  virtual std::wstring Location() = 0;
  virtual std::optional<uint64_t> ContentLength() = 0;
  virtual ReadChunk Read(char* buffer, std::size_t capacity) = 0;
};

// An open target file; destroying it closes the file.
class FetchFile {
 public:
  virtual ~FetchFile() = default;
  // False when not all bytes were written: the body is then incomplete.
  virtual bool Write(const char* data, std::size_t size) = 0;
};

class FetchFileSystem {
 public:
  virtual ~FetchFileSystem() = default;
  // Write access, others may read, an existing file truncated; null on failure.
  virtual std::unique_ptr<FetchFile> Create(std::wstring_view path) = 0;
  virtual void Delete(std::wstring_view path) = 0;
};

class FetchClock {
 public:
  virtual ~FetchClock() = default;
  // A steady clock from any fixed start: a step of the wall clock (a time
  // sync after a resume, the user setting the time) must neither abandon a
  // healthy download nor keep a stalled one.
  virtual int64_t NowMilliseconds() = 0;
  int64_t NowSeconds() { return NowMilliseconds() / 1000; }
  virtual void Sleep(unsigned milliseconds) = 0;
};

struct FetchJob;

// The downloads still waited for, so that shutdown can abandon them all.
// Once closed, no new download starts.
struct RunningDownloads {
  std::mutex lock;
  bool closed = false;                           // under lock
  std::vector<std::shared_ptr<FetchJob>> jobs;   // under lock
};

// Everything a download needs from outside. The fetch thread keeps its own
// copy, so the pieces live as long as the longest-running fetch thread.
struct FetchEnvironment {
  std::function<std::unique_ptr<FetchTransport>()> make_transport;
  std::shared_ptr<FetchFileSystem> files;
  std::shared_ptr<FetchClock> clock;
  // Starts `body` on a thread nobody waits for; false when no thread could be made.
  std::function<bool(std::function<void()>)> start_thread;
  const std::atomic<bool>* stop = nullptr;
  std::shared_ptr<RunningDownloads> running;
};

enum FetchState : int32_t { kRunning = 0, kAbandoned = 1, kSucceeded = 2, kFailed = 3 };

// One download, shared by the waiter and its fetch thread through
// std::shared_ptr: whichever lets go last frees it, so it is released exactly
// once whoever finishes first.
//
// Hand-over: `state` leaves kRunning exactly once, by compare-and-swap: the
// waiter to kAbandoned, the fetch thread to kSucceeded or kFailed. `file` is
// touched only under `file_lock`, and the fetch thread creates, writes, closes
// or deletes the target only while holding it with `state` still kRunning;
// the waiter abandons first and then closes and deletes under the lock. So
// once the waiter has given up, no file of this job can appear or be written
// again, and a fetch thread that outlives its waiter never touches the disk.
// The lock is held only around local file calls, never around the network.
struct FetchJob {
  FixedText<kMaxFetchText> address;
  FixedText<kMaxFetchText> target;
  uint64_t limit = 0;                       // most bytes the body may have
  std::atomic<int64_t> last_activity{0};    // written by the fetch thread, read by the waiter
  std::atomic<int32_t> state{kRunning};
  std::atomic<uint32_t> received{0};        // written by the fetch thread, read by the waiter
  std::mutex file_lock;
  std::unique_ptr<FetchFile> file;          // under file_lock
};

// What the waiter decides at one check.
enum class WaitVerdict { kFinished, kAbandon, kKeepWaiting };

// One check of the waiter at `now` (whole seconds), `elapsed_ms` after the
// wait began. `rate` is the rate measured at the previous check and is updated
// for the next one; 0 means not measured and never abandons.
WaitVerdict CheckFetch(int32_t state, bool stop, int64_t now, int64_t last_activity, int64_t elapsed_ms,
                       uint32_t received, uint32_t& rate);

// The fetch thread's work on one job.
void RunFetchThread(const std::shared_ptr<FetchJob>& job, const FetchEnvironment& env);

// True only when the whole body of a "200" answer, at least one byte and at
// most `limit` bytes, is in `target`. A body that passes the limit fails at
// once, like a read error. Nothing it allocates can throw out of it.
[[nodiscard]] bool DownloadFileWith(std::wstring_view address, std::wstring_view target, uint64_t limit,
                      const FetchEnvironment& env);

// Shutdown: closes `env` to new downloads and abandons every running one, so
// that their targets are closed and deleted before the process ends. The fetch
// threads are not waited for.
void AbandonRunningDownloads(const FetchEnvironment& env);

// `location` of a redirect answer to `address`, made absolute. Empty when it
// cannot be resolved.
std::wstring ResolveLocation(std::wstring_view address, std::wstring_view location);

bool IsRedirectStatus(std::string_view status);

// A Content-Length value: decimal digits around optional white space, or nothing.
std::optional<uint64_t> ParseContentLength(std::wstring_view text);

// The steady clock and std::this_thread sleeps.
std::shared_ptr<FetchClock> SystemFetchClock();
