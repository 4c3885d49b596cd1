#include "base/background_thread.h"

#include <windows.h>
#include <process.h>

#include <memory>
#include <new>
#include <utility>

#include "base/win_handle.h"

namespace {

unsigned __stdcall RunBody(void* argument) {
  const std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(argument));
  (*body)();
  return 0;
}

}  // namespace

// A plain CRT thread: under Wine a std::thread now and then never reached its
// body, which left a tracked thread's id set for ever.
bool StartDetachedThread(std::function<void()> body) {
  std::unique_ptr<std::function<void()>> owned(new (std::nothrow) std::function<void()>(std::move(body)));
  if (!owned) return false;
  const KernelHandle thread(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, RunBody, owned.get(), 0, nullptr)));
  if (!thread) return false;
  owned.release();  // the thread owns it now
  return true;
}
