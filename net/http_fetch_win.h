// The program's only way onto the network: one HTTP GET into one file over
// WinINet, each on its own fetch thread that the caller never waits for.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string_view>
#include <vector>

#include "app/win_handle.h"
#include "net/http_fetch.h"

struct InternetHandleTraits {
  using Native = HINTERNET;
  static Native Invalid() { return nullptr; }
  static void Close(Native h) { InternetCloseHandle(h); }
};
using InternetHandle = UniqueHandle<InternetHandleTraits>;

// WinINet, the real disk and wall clock, a detached thread per fetch, and
// `stop_downloads`. Never destroyed: fetch threads may outlive everything else.
const FetchEnvironment& WindowsFetchEnvironment();

// True only when the whole body of a "200" answer, at least one byte, is in
// `target`. On false the target does not exist, unless the request failed
// before the file was created. Both texts at most 259 characters.
bool DownloadFile(std::wstring_view address, std::wstring_view target);

// Downloads into target + ".tmp", then renames that onto `target` without
// replacing an existing file. After a failed rename the ".tmp" file stays.
bool DownloadFileViaTemp(std::wstring_view address, std::wstring_view target);

// DownloadFile, then the file read back: on success `buffer` holds its bytes
// and one trailing 0 (size() - 1 is the file's length); on failure it is
// empty. The file stays on disk either way.
bool DownloadToMemory(std::wstring_view address, std::wstring_view target, std::vector<char>& buffer);
