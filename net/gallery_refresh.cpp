#include "net/gallery_refresh.h"

#include "base/data_folder.h"
#include "base/run_state.h"
#include "base/wide_text.h"
#include "net/file_name_rules.h"
#include "net/http_fetch.h"
#include "settings/gallery_table.h"
#include "settings/settings.h"

namespace {

// The prefix as the page writes it, one byte per character. A character above
// 0xFF can never equal a page byte, so such a prefix finds nothing.
bool NarrowPrefix(std::wstring_view prefix, std::string& bytes) {
  bytes.clear();
  for (const wchar_t c : prefix) {
    if (static_cast<uint32_t>(c) > 0xFF) return false;
    bytes.push_back(static_cast<char>(c));
  }
  return true;
}

void Pause(RefreshPlatform& platform) {
  for (int i = 0; i < kPauseSleeps && !platform.StopRequested(); ++i) platform.Sleep100Ms();
}

// Returns whether the candidate earns a pause: only photos already on disk do not.
bool StoreOrTouch(const PhotoTarget& target, RefreshPlatform& platform, int& new_photo_count) {
  if (platform.FileExists(target.local_path)) {
    platform.TouchFile(target.local_path);
    return false;
  }
  if (platform.FetchPhoto(target.address, target.local_path)) {
    ++new_photo_count;
    platform.AppendStoredPhoto(target.local_path);
  } else {
    platform.RemoveFile(target.local_path);
  }
  return true;
}

}  // namespace

PhotoTarget MakePhotoTarget(std::string_view page, std::size_t candidate, std::size_t suffix_at,
                            std::wstring_view data_folder) {
  PhotoTarget target;
  const std::size_t address_length = suffix_at - candidate + std::wstring_view(kPhotoSuffix).size();
  if (address_length > kMaxFetchText) return target;
  target.address = WidenBytes(page.substr(candidate, suffix_at - candidate));
  target.address += kPhotoSuffix;

  const std::wstring_view name = std::wstring_view(target.address).substr(target.address.rfind(L'/') + 1);
  if (name == kPhotoSuffix || !IsSafeFileName(name)) return target;
  if (data_folder.size() + 1 + name.size() + kTempSuffix.size() > kMaxFetchText) return target;

  target.local_path = data_folder;
  target.local_path += L'\\';
  target.local_path += name;
  target.usable = true;
  return target;
}

int ScrapeListingPage(std::string_view page, std::wstring_view image_prefix, std::wstring_view data_folder,
                      RefreshPlatform& platform) {
  page = page.substr(0, page.find('\0'));
  std::string prefix;
  // An empty prefix would match at every byte and cost a pause per byte.
  if (image_prefix.empty() || !NarrowPrefix(image_prefix, prefix)) return 0;

  int new_photo_count = 0;
  std::size_t candidate = page.find(prefix);
  while (candidate != std::string_view::npos) {
    if (platform.StopRequested() || new_photo_count >= kMaxNewPhotosPerRun) break;
    bool pause = true;
    const std::size_t suffix_at = page.find(kThumbnailSuffix, candidate);
    if (suffix_at != std::string_view::npos) {
      // A candidate passed over as unsafe costs its pause like one without a thumbnail.
      const PhotoTarget target = MakePhotoTarget(page, candidate, suffix_at, data_folder);
      if (target.usable) pause = StoreOrTouch(target, platform, new_photo_count);
    }
    candidate = page.find(prefix, candidate + 1);
    if (pause) Pause(platform);
  }
  return new_photo_count;
}

void RunGalleryRefresh(RefreshPlatform& platform) {
  const std::wstring address = GalleryListingAddress(settings.dloption, settings.photo_site.View());
  int new_photo_count = 0;
  std::string page;
  // The fetch takes addresses of at most 259 characters; a cut one would ask for another page.
  if (address.size() <= kMaxFetchText && platform.FetchListingPage(address, page)) {
    new_photo_count = ScrapeListingPage(page, settings.image_prefix.View(), DataFolder(), platform);
  }
  last_refresh_time = platform.Now();
  if (new_photo_count > 0) new_photos_arrived = true;
}
