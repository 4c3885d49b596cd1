#include "base/run_state.h"

std::atomic<bool> stop_downloads{false};
std::atomic<bool> stop_refresh{false};
std::atomic<uint32_t> refresh_thread_id{0};
std::atomic<int64_t> last_refresh_time{0};
std::atomic<bool> new_photos_arrived{false};

namespace {

// Allocated once and deliberately never freed, so no exit-time destructor can
// pull a lock out from under a thread that is still running.
std::mutex& Leaked() { return *new std::mutex; }

}  // namespace

std::mutex& PhotoListLock() {
  static std::mutex& lock = Leaked();
  return lock;
}

std::mutex& RefreshLock() {
  static std::mutex& lock = Leaked();
  return lock;
}

std::mutex& WeatherLock() {
  static std::mutex& lock = Leaked();
  return lock;
}

void CreateLocks() {
  PhotoListLock();
  RefreshLock();
  WeatherLock();
}
