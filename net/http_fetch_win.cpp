#include "net/http_fetch_win.h"

#include <new>
#include <optional>
#include <string>
#include <utility>

#include "base/background_thread.h"
#include "base/run_state.h"
#include "base/thread_name_win.h"
#include "base/whole_file_win.h"

namespace {

constexpr DWORD kFetchFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION |
                              INTERNET_FLAG_RESYNCHRONIZE | INTERNET_FLAG_HYPERLINK;
static_assert(kFetchFlags == 0x84400c00);
// Wine's WinINet follows a redirect loop without end, so redirects are
// followed by the fetch thread itself, a handful at most.
constexpr DWORD kRequestFlags = kFetchFlags | INTERNET_FLAG_NO_AUTO_REDIRECT;

class WinInetTransport final : public FetchTransport {
 public:
  bool OpenSession() override {
    session_.reset(InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    return session_.valid();
  }

  bool OpenRequest(std::wstring_view address) override {
    request_.reset();
    const std::wstring text(address);
    request_.reset(InternetOpenUrlW(session_.get(), text.c_str(), nullptr, 0, kRequestFlags, 0));
    return request_.valid();
  }

  std::string StatusText() override {
    char text[4] = {};
    DWORD size = sizeof text;
    if (!HttpQueryInfoA(request_.get(), HTTP_QUERY_STATUS_CODE, text, &size, nullptr)) return {};
    text[3] = '\0';
    return text;
  }

  std::wstring Location() override { return Header(HTTP_QUERY_LOCATION); }

  std::optional<uint64_t> ContentLength() override {
    const std::wstring text = Header(HTTP_QUERY_CONTENT_LENGTH);
    if (text.empty()) return std::nullopt;
    return ParseContentLength(text);
  }

  ReadChunk Read(char* buffer, std::size_t capacity) override {
    // A read waits until its buffer is full, so a trickling body would show
    // no progress at all; asking first for what has arrived keeps `received`
    // and the last activity true to the wire.
    DWORD available = 0;
    if (InternetQueryDataAvailable(request_.get(), &available, 0, 0) && available > 0 && available < capacity)
      capacity = available;
    DWORD got = 0;
    // A clean end is told by a last-error of 0, so a stale code must not linger.
    SetLastError(0);
    const BOOL ok = InternetReadFile(request_.get(), buffer, static_cast<DWORD>(capacity), &got);
    return ClassifyRead(ok != FALSE, got, GetLastError());
  }

 private:
  std::wstring Header(DWORD query) {
    std::wstring text(256, L'\0');
    DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (!HttpQueryInfoW(request_.get(), query, text.data(), &size, nullptr)) {
      if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
      text.assign(size / sizeof(wchar_t) + 1, L'\0');
      size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
      if (!HttpQueryInfoW(request_.get(), query, text.data(), &size, nullptr)) return {};
    }
    text.resize(size / sizeof(wchar_t));
    return text;
  }

  // The request closes before the session it was opened on.
  InternetHandle session_;
  InternetHandle request_;
};

class WinFile final : public FetchFile {
 public:
  explicit WinFile(FileHandle file) : file_(std::move(file)) {}
  bool Write(const char* data, std::size_t size) override {
    DWORD written = 0;
    return WriteFile(file_.get(), data, static_cast<DWORD>(size), &written, nullptr) && written == size;
  }

 private:
  FileHandle file_;
};

class WinFileSystem final : public FetchFileSystem {
 public:
  std::unique_ptr<FetchFile> Create(std::wstring_view path) override {
    const std::wstring name(path);
    FileHandle file(
        CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return nullptr;
    return std::make_unique<WinFile>(std::move(file));
  }
  void Delete(std::wstring_view path) override { DeleteFileW(std::wstring(path).c_str()); }
};

}  // namespace

const FetchEnvironment& WindowsFetchEnvironment() {
  static const FetchEnvironment* env = new FetchEnvironment{
      [] { return std::make_unique<WinInetTransport>(); },
      std::make_shared<WinFileSystem>(),
      SystemFetchClock(),
      [](std::function<void()> body) {
        return StartDetachedThread([body = std::move(body)] {
          NameThisThread(L"velmora download");
          body();
        });
      },
      &stop_downloads,
      std::make_shared<RunningDownloads>(),
  };
  return *env;
}

bool DownloadFile(std::wstring_view address, std::wstring_view target, uint64_t limit) {
  return DownloadFileWith(address, target, limit, WindowsFetchEnvironment());
}

void AbandonRunningDownloads() { AbandonRunningDownloads(WindowsFetchEnvironment()); }

bool DownloadFileViaTemp(std::wstring_view address, std::wstring_view target, uint64_t limit) {
  // A cut name could be the target itself; refuse instead.
  if (target.size() + kTempSuffix.size() > kMaxFetchText) return false;
  const std::wstring final_name(target);
  const std::wstring temp_name = final_name + std::wstring(kTempSuffix);
  if (!DownloadFile(address, temp_name, limit)) return false;
  return MoveFileW(temp_name.c_str(), final_name.c_str()) != FALSE;
}

bool DownloadToMemory(std::wstring_view address, std::wstring_view target, uint64_t limit, std::string& bytes) {
  bytes.clear();
  if (!DownloadFile(address, target, limit)) return false;

  const std::wstring name(target);
  const FileHandle file(CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  std::optional<std::string> read = ReadWholeFile(file.get(), limit);
  if (!read) return false;
  bytes = std::move(*read);
  return true;
}
