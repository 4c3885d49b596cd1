// The six galleries of the photo site the saver can feed from.
#pragma once

#include <cstdint>
#include <string>

struct GalleryInfo {
  const wchar_t* title;
  const wchar_t* listing_path;  // path and query, appended to the configured photo site
  int32_t refresh_seconds;
};

inline constexpr int kGalleryCount = 6;

// Six rows, then a terminating row whose fields are all null.
extern const GalleryInfo kGalleryTable[kGalleryCount + 1];

// The photo site followed by the row's path and query.
std::wstring GalleryListingAddress(int index, std::wstring_view photo_site);
