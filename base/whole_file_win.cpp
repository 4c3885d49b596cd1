#include "base/whole_file_win.h"

#include <new>

std::optional<std::string> ReadWholeFile(HANDLE file, uint64_t limit) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || static_cast<uint64_t>(size.QuadPart) > limit) return std::nullopt;
  std::string bytes;
  try {
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  DWORD read = 0;
  if (!bytes.empty() &&
      (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size()))
    return std::nullopt;
  return bytes;
}
