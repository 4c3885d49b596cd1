// One gallery refresh run: fetch the chosen gallery's listing page, cut the
// thumbnail addresses out of it and fetch the photos not yet on disk. The run
// reaches files, network, clock and the photo list only through
// RefreshPlatform, so the rules can be checked without any of them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

inline constexpr int kMaxNewPhotosPerRun = 20;
inline constexpr int kPauseSleeps = 20;  // of 100 ms each, after every candidate not already on disk
inline constexpr char kThumbnailSuffix[] = ".tb.jpg";
inline constexpr wchar_t kPhotoSuffix[] = L".jpg";
inline constexpr wchar_t kListingFileName[] = L"index.htm";
// Largest answers fetched: beyond these a server is sending something else.
inline constexpr uint64_t kListingPageLimit = 16ull << 20;
inline constexpr uint64_t kPhotoLimit = 64ull << 20;

class RefreshPlatform {
 public:
  virtual ~RefreshPlatform() = default;

  // Fetches the listing page into the data folder's "index.htm" and hands
  // back its bytes.
  virtual bool FetchListingPage(const std::wstring& address, std::string& page) = 0;
  // Fetches a photo through its temporary name onto `local_path`.
  virtual bool FetchPhoto(const std::wstring& address, const std::wstring& local_path) = 0;
  virtual bool FileExists(const std::wstring& path) = 0;
  // Sets the file's last-write time to now; a file that cannot be opened is left alone.
  virtual void TouchFile(const std::wstring& path) = 0;
  virtual void RemoveFile(const std::wstring& path) = 0;
  // Looks up the stored photo and appends it to the photo list under the photo list lock.
  virtual void AppendStoredPhoto(const std::wstring& local_path) = 0;
  virtual bool StopRequested() = 0;
  virtual void Sleep100Ms() = 0;
  // 100 ns units since 1601-01-01 UTC.
  virtual int64_t Now() = 0;
};

// Where a candidate's photo goes, or why it is passed over.
struct PhotoTarget {
  bool usable = false;
  std::wstring address;     // image prefix + path + ".jpg"
  std::wstring local_path;  // data folder + "\" + last segment of the address
};

// Turns the page bytes from `candidate` (an image prefix) up to `suffix_at`
// (a ".tb.jpg") into the photo's address and local path. Not usable when the
// address exceeds 259 characters, the name is not a plain safe file name,
// the name is only ".jpg", or the local path with ".tmp" added would not
// fit in 259 characters (a cut path would name another file).
PhotoTarget MakePhotoTarget(std::string_view page, std::size_t candidate, std::size_t suffix_at,
                            std::wstring_view data_folder);

// Scrapes `page` (its text ends at the first zero byte) for thumbnails under
// `image_prefix` and fetches or touches their photos. Returns the number of
// photos stored.
int ScrapeListingPage(std::string_view page, std::wstring_view image_prefix, std::wstring_view data_folder,
                      RefreshPlatform& platform);

// One whole run for the gallery of `settings.dloption`: listing page, scrape,
// then last_refresh_time = now and, when a photo was stored, new_photos_arrived.
void RunGalleryRefresh(RefreshPlatform& platform);
