// File times as the single 64-bit count the program compares: 100 ns units
// since 1601-01-01 UTC.
#pragma once

#include <windows.h>

#include <cstdint>

inline int64_t FileTimeValue(const FILETIME& time) {
  return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

inline int64_t SystemTimeNow() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  return FileTimeValue(now);
}
