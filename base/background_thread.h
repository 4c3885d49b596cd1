// The one way the program starts a background thread: detached, never
// joined, so nothing it reaches may be destroyed while the process lives.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

// Starts `body` on a thread of its own; false when no thread could be made,
// and `body` has not run then.
[[nodiscard]] bool StartDetachedThread(std::function<void()> body);

using ThreadStart = bool (*)(std::function<void()> body);

// Starts `body` unless `running` shows one running. Under `lock`, `running`
// gets a non-zero value before the thread is made, so the thread, which
// clears it as its last step, cannot clear it before it was set and leave it
// set for ever. False, with `running` 0 again, when no thread was started.
// Tests inject `start`.
[[nodiscard]] bool StartTrackedThread(std::function<void()> body, std::atomic<uint32_t>& running, std::mutex& lock,
                        ThreadStart start = StartDetachedThread);
