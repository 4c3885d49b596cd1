// The program's only way onto the network: one HTTP GET into one file over
// WinINet, each on its own fetch thread that the caller never waits for.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>
#include <string_view>

#include "base/win_handle.h"
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

// True only when the whole body of a "200" answer, at least one byte and at
// most `limit` bytes, is in `target`. On false the target does not exist,
// unless the request failed before the file was created. Both texts at most
// 259 characters.
[[nodiscard]] bool DownloadFile(std::wstring_view address, std::wstring_view target, uint64_t limit);

// Downloads into target + ".tmp", then renames that onto `target` without
// replacing an existing file. After a failed rename the ".tmp" file stays.
[[nodiscard]] bool DownloadFileViaTemp(std::wstring_view address, std::wstring_view target, uint64_t limit);

// DownloadFile, then the file read back: on success `bytes` holds it (a
// std::string, so its text ends with a zero); on failure it is empty. The
// file stays on disk either way.
[[nodiscard]] bool DownloadToMemory(std::wstring_view address, std::wstring_view target, uint64_t limit,
                                    std::string& bytes);

// At the end of the process: no new download starts, and every running one
// is abandoned, its target closed and deleted.
void AbandonRunningDownloads();
