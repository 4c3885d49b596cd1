#include "app/tracked_thread_win.h"

#include <windows.h>
#include <process.h>

#include "app/win_handle.h"

bool StartTrackedThread(ThreadEntry entry, std::atomic<uint32_t>& id, std::mutex& lock) {
  if (id != 0) return false;
  const std::lock_guard<std::mutex> hold(lock);
  unsigned created = 0;
  const KernelHandle thread(
      reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, entry, nullptr, CREATE_SUSPENDED, &created)));
  if (!thread) return false;  // the next check tries again
  id = created;
  if (ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
    // A thread that never runs would never clear its id.
    TerminateThread(thread.get(), 0);
    id = 0;
    return false;
  }
  return true;
}
