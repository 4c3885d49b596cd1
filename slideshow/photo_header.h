// What a photo file's first bytes say about it, read before any codec sees
// the file: a codec asked to decode a frame header that claims 64250 x 64250
// pixels, or a 12-bit or lossless frame, may take all the machine's memory or
// crash, and a gallery (or anyone between it and the saver) decides what the
// cache holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The most of a file read for its header. A JPEG's frame header may lie past
// many APP2 segments of an embedded colour profile; one that is not found in
// the first 2 MiB is not looked for further.
inline constexpr std::size_t kPhotoHeaderReadLimit = 2 * 1024 * 1024;
// The largest embedded colour profile taken; a larger one counts as none.
inline constexpr std::size_t kEmbeddedProfileLimit = 1024 * 1024;
// The most pixels a photo may have. A 100-megapixel progressive JPEG peaks
// under 1 GiB while the codec builds it (see the README's figures).
inline constexpr uint64_t kPhotoPixelLimit = 100'000'000;

enum class PhotoFormat { Unknown, Jpeg, Png, Gif, Bmp, Tiff };

// The colour space an embedded profile describes, as its header names it.
enum class ProfileSpace { None, Rgb, Grey, Cmyk, Other };

struct PhotoHeader {
  PhotoFormat format = PhotoFormat::Unknown;
  // As the header states them; 0 when it does not (TIFF, unknown data) or
  // when the bytes end before they are read.
  uint32_t width = 0;
  uint32_t height = 0;
  // The JPEG frame header's marker (0xc0 to 0xcf), sample precision and
  // component count; 0 for other formats or when no frame header was found.
  int frame_marker = 0;
  int precision = 0;
  int components = 0;
  // The Adobe APP14 segment's colour transform (0 none, 1 YCbCr, 2 YCCK);
  // -1 without that segment.
  int adobe_transform = -1;
  // The embedded ICC profile, its APP2 chunks joined in sequence order; empty
  // when there is none or any chunk is missing, repeated or inconsistent.
  std::vector<uint8_t> profile;
  ProfileSpace profile_space = ProfileSpace::None;
  // The profile describes sRGB itself, so drawing it as decoded is right.
  bool profile_is_srgb = false;
  // The Exif orientation, 1 to 8 (1 upright).
  int orientation = 1;
};

// Reads the header of the file that starts with `bytes` (at most
// kPhotoHeaderReadLimit of them are looked at). Reads nothing outside them.
PhotoHeader ReadPhotoHeader(const uint8_t* bytes, std::size_t size);

// Whether a codec may be given the file: false for a JPEG without a frame
// header among its first bytes, with a precision other than 8, a lossless or
// hierarchical frame, other than 1, 3 or 4 components or a zero side, and
// for any photo whose stated size is over kPhotoPixelLimit. Unknown data and
// formats whose header does not state the size go to the codec, whose size
// is checked with PhotoSizeAllowed before any pixel is read.
bool CodecMayDecode(const PhotoHeader& header);

// A size of at least one pixel and at most kPhotoPixelLimit pixels.
bool PhotoSizeAllowed(uint64_t width, uint64_t height);
