// What every fuzz target shares: a check that holds in any build type and
// the ways fuzz bytes become the program's text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

[[noreturn]] inline void FuzzCheckFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
  std::abort();
}

// Unlike assert, stays on with NDEBUG; the abort is libFuzzer's crash.
#define FUZZ_CHECK(condition) ((condition) ? void(0) : FuzzCheckFailed(#condition, __FILE__, __LINE__))

inline std::string_view FuzzBytes(const uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// UTF-16LE units, as Windows hands text to the program; an odd last byte is dropped.
inline std::wstring FuzzWide(std::string_view bytes) {
  std::wstring text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text += static_cast<wchar_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8));
  }
  return text;
}

inline bool HasCharBelowSpace(std::wstring_view text) {
  for (const wchar_t c : text) {
    if (static_cast<uint32_t>(c) < 0x20) return true;
  }
  return false;
}

inline bool StartsWithIgnoringAsciiCase(std::wstring_view text, std::wstring_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const auto lower = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; };
    if (lower(text[i]) != lower(prefix[i])) return false;
  }
  return true;
}
