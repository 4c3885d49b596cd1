// The listing page scraper over a platform that records every path it is
// asked to touch. Input: one byte choosing the data folder and image prefix
// and seeding which photos exist or fail to download, then the page.
#include <algorithm>
#include <vector>

#include "fuzz_support.h"
#include "net/gallery_refresh.h"
#include "net/http_fetch.h"

namespace {

constexpr std::size_t kPathLimit = 259;

// A typical folder, and one so long that only short names fit beside it.
const std::wstring kFolders[] = {L"C:\\Users\\anna\\Pictures\\Corvath\\VelmoraSaver",
                                 L"C:\\Users\\" + std::wstring(200, L'u') + L"\\Pictures\\Corvath\\VelmoraSaver"};
constexpr const wchar_t* kPrefixes[] = {L"http://photos.velmora.example/images/", L"/i/"};

bool IsDeviceName(std::wstring_view name) {
  std::wstring base(name.substr(0, name.find(L'.')));
  while (!base.empty() && (base.back() == L' ' || base.back() == L'.')) base.pop_back();
  for (wchar_t& c : base) c = (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
  for (const wchar_t* device : {L"con", L"prn", L"aux", L"nul", L"conin$", L"conout$"}) {
    if (base == device) return true;
  }
  return base.size() == 4 && (base.starts_with(L"com") || base.starts_with(L"lpt")) &&
         std::wstring_view(L"123456789\u00B9\u00B2\u00B3").find(base[3]) != std::wstring_view::npos;
}

// In the data folder itself, under a name Windows takes as an ordinary file.
void CheckPath(const std::wstring& folder, const std::wstring& path) {
  FUZZ_CHECK(path.size() <= kPathLimit);
  FUZZ_CHECK(path.starts_with(folder + L"\\"));
  const std::wstring_view name = std::wstring_view(path).substr(folder.size() + 1);
  FUZZ_CHECK(!name.empty() && name.find_first_of(L"\\/") == std::wstring_view::npos);
  FUZZ_CHECK(name.find_first_of(L":*?\"<>|") == std::wstring_view::npos);
  FUZZ_CHECK(!HasCharBelowSpace(name));
  FUZZ_CHECK(name.back() != L'.' && name.back() != L' ');
  FUZZ_CHECK(!IsDeviceName(name));
}

struct RecordingPlatform : RefreshPlatform {
  std::wstring folder;
  std::wstring prefix;
  uint32_t seed = 1;
  std::vector<std::wstring> appended;

  bool Coin() {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 1;
  }

  bool FetchListingPage(const std::wstring&, std::string&) override { return false; }
  bool FetchPhoto(const std::wstring& address, const std::wstring& local_path) override {
    FUZZ_CHECK(address.size() <= kPathLimit && address.starts_with(prefix) && address.ends_with(kPhotoSuffix));
    CheckPath(folder, local_path);
    // The download goes through the temporary name beside it.
    FUZZ_CHECK(local_path.size() + kTempSuffix.size() <= kPathLimit);
    return Coin();
  }
  bool FileExists(const std::wstring& path) override {
    CheckPath(folder, path);
    return Coin();
  }
  void TouchFile(const std::wstring& path) override { CheckPath(folder, path); }
  void RemoveFile(const std::wstring& path) override { CheckPath(folder, path); }
  void AppendStoredPhoto(const std::wstring& path) override {
    CheckPath(folder, path);
    appended.push_back(path);
  }
  bool StopRequested() override { return false; }
  void Sleep100Ms() override {}
  int64_t Now() override { return 0; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  RecordingPlatform platform;
  platform.folder = kFolders[data[0] & 1];
  platform.prefix = kPrefixes[(data[0] >> 1) & 1];
  platform.seed = data[0] >> 2;
  const int stored = ScrapeListingPage(FuzzBytes(data + 1, size - 1), platform.prefix, platform.folder, platform);
  FUZZ_CHECK(stored >= 0 && stored <= kMaxNewPhotosPerRun);
  FUZZ_CHECK(static_cast<std::size_t>(stored) == platform.appended.size());
  return 0;
}
