#include "base/background_thread.h"

#include <new>
#include <system_error>
#include <thread>
#include <utility>

#ifndef _WIN32
// Windows threads start in background_thread_win.cpp.
bool StartDetachedThread(std::function<void()> body) {
  try {
    std::thread(std::move(body)).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
}
#endif

bool StartTrackedThread(std::function<void()> body, std::atomic<uint32_t>& running, std::mutex& lock,
                        ThreadStart start) {
  const std::lock_guard hold(lock);
  if (running != 0) return false;
  // Numbers the runs, skipping 0; atomic, as starts under different locks may meet.
  static std::atomic<uint32_t> last_run{0};
  uint32_t run = ++last_run;
  if (run == 0) run = ++last_run;
  running = run;
  bool started = false;
  try {
    started = start([body = std::move(body), &running] {
      body();
      running = 0;
    });
  } catch (const std::bad_alloc&) {
  }
  if (!started) running = 0;
  return started;
}
