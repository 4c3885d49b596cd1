#include "slideshow/colour_to_srgb_win.h"

namespace {

// The standard sRGB profile the engine itself names.
ColourProfile OpenSrgbProfile() {
  wchar_t path[MAX_PATH] = {};
  DWORD size = sizeof path;
  if (!GetStandardColorSpaceProfileW(nullptr, LCS_sRGB, path, &size)) return {};
  PROFILE file{PROFILE_FILENAME, path, static_cast<DWORD>((wcslen(path) + 1) * sizeof(wchar_t))};
  return ColourProfile(OpenColorProfileW(&file, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING));
}

BMFORMAT FormatOf(ColourLayout layout) {
  switch (layout) {
    case ColourLayout::Grey: return BM_GRAY;
    // The names count the bytes of a little-endian 32-bit word from the top:
    // C, M, Y, K in memory is "KYMC", B, G, R, x is "xRGB".
    case ColourLayout::Cmyk: return BM_KYMCQUADS;
    case ColourLayout::Bgrx: return BM_xRGBQUADS;
  }
  return BM_xRGBQUADS;
}

}  // namespace

ColourToSrgb::ColourToSrgb(const std::vector<uint8_t>& profile) {
  if (profile.empty()) return;
  // The engine reads the profile while it opens it; the transform keeps
  // what it needs.
  PROFILE memory{PROFILE_MEMBUFFER, const_cast<uint8_t*>(profile.data()), static_cast<DWORD>(profile.size())};
  const ColourProfile embedded(OpenColorProfileW(&memory, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING));
  const ColourProfile srgb = OpenSrgbProfile();
  if (!embedded || !srgb) return;
  HPROFILE both[2] = {embedded.get(), srgb.get()};
  DWORD intent = INTENT_PERCEPTUAL;
  transform_.reset(CreateMultiProfileTransform(both, 2, &intent, 1, BEST_MODE, INDEX_DONT_CARE));
}

bool ColourToSrgb::Convert(const uint8_t* in, ColourLayout layout, int count, uint8_t* out) const {
  // One row at a time: the pixels are packed, so no stride can be misread.
  return transform_.valid() &&
         TranslateBitmapBits(transform_.get(), const_cast<uint8_t*>(in), FormatOf(layout), count, 1,
                             count * ColourLayoutBytes(layout), out, BM_xRGBQUADS, count * 4, nullptr, 0);
}
