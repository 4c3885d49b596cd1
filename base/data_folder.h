// The per-user folder that holds everything the saver reads and writes.
#pragma once

#include <string>
#include <string_view>

inline constexpr std::size_t kMaxPath = 260;  // characters, terminator included

// The pictures folder followed by this.
inline constexpr wchar_t kDataFolderSuffix[] = L"\\Corvath\\VelmoraSaver";

// Set once by start-up before any other thread exists (tests set their own).
// A folder too long for kMaxPath - 1 characters leaves no data folder at all.
void SetDataFolder(std::wstring_view folder);
const std::wstring& DataFolder();

// `base` + `tail`, or empty when that exceeds kMaxPath - 1 characters: a cut
// path names another file, and a cut pattern ("\*.jpg.tmp" cut to "\*")
// matches every file.
std::wstring JoinPath(std::wstring_view base, std::wstring_view tail);

// Data folder + "\" + name, or empty (refused) when there is no data folder
// or the path does not fit. Every caller skips its operation on empty.
std::wstring DataPath(std::wstring_view name);
