// Reading a whole file whose size has a known bound.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

// Every byte of `file`, just opened for reading; nothing when it holds more
// than `limit` bytes (below 4 GiB), its size cannot be read, memory runs
// short, or the read fails or brings fewer bytes than the size.
std::optional<std::string> ReadWholeFile(HANDLE file, uint64_t limit);
