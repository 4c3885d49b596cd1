#include "base/show_clock_win.h"

#include <windows.h>

namespace {

using QueryTime = VOID(WINAPI*)(PULONGLONG);

QueryTime PreciseQuery() {
  const HMODULE kernel = GetModuleHandleW(L"kernelbase.dll");
  if (kernel == nullptr) return nullptr;
  return reinterpret_cast<QueryTime>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "QueryUnbiasedInterruptTimePrecise")));
}

}  // namespace

uint32_t ShowClockMs() {
  static const QueryTime precise = PreciseQuery();
  ULONGLONG units = 0;  // 100 ns
  if (precise != nullptr) {
    precise(&units);
  } else {
    QueryUnbiasedInterruptTime(&units);
  }
  return static_cast<uint32_t>(units / 10'000);
}
