// The per-user folder that holds everything the saver reads and writes.
#pragma once

#include <string>
#include <string_view>

inline constexpr std::size_t kMaxPath = 260;  // characters, terminator included

// The pictures folder followed by this.
inline constexpr wchar_t kDataFolderSuffix[] = L"\\Corvath\\VelmoraSaver";

// Set once by start-up before any other thread exists (tests set their own).
void SetDataFolder(std::wstring_view folder);
const std::wstring& DataFolder();

// `base` + `tail`, cut to at most kMaxPath - 1 characters.
std::wstring JoinBounded(std::wstring_view base, std::wstring_view tail);

// Data folder + "\" + name, cut to at most kMaxPath - 1 characters.
std::wstring DataPath(std::wstring_view name);
