// A photo's embedded colour profile turned into a conversion to sRGB, the
// screen's assumed space, by Windows' own colour engine (ICM).
#pragma once

#include <windows.h>
#include <icm.h>

#include <cstdint>
#include <vector>

#include "base/win_handle.h"

struct ColourProfileTraits {
  using Native = HPROFILE;
  static Native Invalid() { return nullptr; }
  static void Close(Native h) { CloseColorProfile(h); }
};
using ColourProfile = UniqueHandle<ColourProfileTraits>;

struct ColourTransformTraits {
  using Native = HTRANSFORM;
  static Native Invalid() { return nullptr; }
  static void Close(Native h) { DeleteColorTransform(h); }
};
using ColourTransform = UniqueHandle<ColourTransformTraits>;

// Pixel layouts the conversion reads: one grey byte; C, M, Y, K bytes (ink
// 255 full); B, G, R and one unused byte.
enum class ColourLayout { Grey, Cmyk, Bgrx };
inline int ColourLayoutBytes(ColourLayout layout) { return layout == ColourLayout::Grey ? 1 : 4; }

// The conversion from `profile` (an RGB, grey or CMYK ICC profile, as the
// photo embeds it) to sRGB. Empty when the engine refuses the profile; the
// photo is then drawn as decoded.
class ColourToSrgb {
 public:
  explicit ColourToSrgb(const std::vector<uint8_t>& profile);

  explicit operator bool() const { return transform_.valid(); }
  // Converts `count` pixels of `layout` at `in` to B, G, R, x quads at `out`
  // (which may be `in` for Bgrx); false when the engine fails.
  bool Convert(const uint8_t* in, ColourLayout layout, int count, uint8_t* out) const;

 private:
  ColourTransform transform_;
};
