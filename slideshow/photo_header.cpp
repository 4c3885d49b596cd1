#include "slideshow/photo_header.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "slideshow/exif_orientation.h"

namespace {

// Bytes that every read is checked against; a number read past the end is 0.
struct Bytes {
  const uint8_t* data = nullptr;
  std::size_t size = 0;

  bool Has(std::size_t offset, std::size_t count) const { return offset <= size && count <= size - offset; }
  bool Matches(std::size_t offset, const char* text, std::size_t count) const {
    return Has(offset, count) && std::memcmp(data + offset, text, count) == 0;
  }
  uint32_t Big(std::size_t offset, std::size_t width) const {
    if (!Has(offset, width)) return 0;
    uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) value = value << 8 | data[offset + i];
    return value;
  }
  uint32_t Little(std::size_t offset, std::size_t width) const {
    if (!Has(offset, width)) return 0;
    uint32_t value = 0;
    for (std::size_t i = width; i-- > 0;) value = value << 8 | data[offset + i];
    return value;
  }
};

constexpr uint8_t kMarkerPrefix = 0xff;
constexpr uint8_t kApp2 = 0xe2;
constexpr uint8_t kApp14 = 0xee;
constexpr uint8_t kStartOfScan = 0xda;
constexpr uint8_t kEndOfImage = 0xd9;
constexpr char kIccChunk[12] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', '\0'};
constexpr std::size_t kIccHeaderSize = 128;

// Frame headers are 0xc0 to 0xcf except the Huffman table (0xc4), the
// reserved JPG extension (0xc8) and the arithmetic conditioning (0xcc).
bool IsFrameMarker(uint8_t marker) {
  return marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
}

// Markers that stand alone, without a length: TEM and the restart markers.
bool StandsAlone(uint8_t marker) { return marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7); }

// The APP2 ICC_PROFILE chunks as they come, each checked against the first.
class ProfileChunks {
 public:
  void Add(const Bytes& file, std::size_t body, std::size_t length) {
    if (length < sizeof kIccChunk + 2) return Spoil();
    const uint32_t sequence = file.data[body + sizeof kIccChunk], count = file.data[body + sizeof kIccChunk + 1];
    if (count == 0 || sequence == 0 || sequence > count || (count_ != 0 && count != count_)) return Spoil();
    if (chunks_.empty()) chunks_.resize(count);
    count_ = count;
    std::vector<uint8_t>& chunk = chunks_[sequence - 1];
    const std::size_t skip = sizeof kIccChunk + 2;
    total_ += length - skip;
    if (!chunk.empty() || length == skip || total_ > kEmbeddedProfileLimit) return Spoil();
    chunk.assign(file.data + body + skip, file.data + body + length);
  }

  // The chunks joined, if every one came, once.
  std::vector<uint8_t> Joined() const {
    std::vector<uint8_t> profile;
    if (spoilt_) return profile;
    for (const auto& chunk : chunks_) {
      if (chunk.empty()) return {};
      profile.insert(profile.end(), chunk.begin(), chunk.end());
    }
    return profile;
  }

 private:
  void Spoil() { spoilt_ = true; }

  std::vector<std::vector<uint8_t>> chunks_;
  uint32_t count_ = 0;
  std::size_t total_ = 0;
  bool spoilt_ = false;
};

// Walks the segments before the frame header, then reads it.
void ReadJpeg(const Bytes& file, PhotoHeader& header) {
  ProfileChunks profile;
  std::size_t at = 2;
  for (;;) {
    if (!file.Has(at, 1) || file.data[at] != kMarkerPrefix) return;
    while (file.Has(at, 1) && file.data[at] == kMarkerPrefix) ++at;
    if (!file.Has(at, 1)) return;
    const uint8_t marker = file.data[at++];
    if (StandsAlone(marker)) continue;
    if (marker == kStartOfScan || marker == kEndOfImage) return;
    const std::size_t length = file.Big(at, 2);
    if (length < 2 || !file.Has(at, length)) return;
    const std::size_t body = at + 2, body_length = length - 2;
    if (IsFrameMarker(marker)) {
      if (body_length < 6) return;
      header.frame_marker = marker;
      header.precision = file.data[body];
      header.height = file.Big(body + 1, 2);
      header.width = file.Big(body + 3, 2);
      header.components = file.data[body + 5];
      header.profile = profile.Joined();
      return;
    }
    if (marker == kApp14 && body_length >= 12 && file.Matches(body, "Adobe", 5)) {
      header.adobe_transform = file.data[body + 11];
    } else if (marker == kApp2 && file.Matches(body, kIccChunk, sizeof kIccChunk)) {
      profile.Add(file, body, body_length);
    }
    at += length;
  }
}

ProfileSpace SpaceOf(uint32_t signature) {
  switch (signature) {
    case 0x52474220: return ProfileSpace::Rgb;   // 'RGB '
    case 0x47524159: return ProfileSpace::Grey;  // 'GRAY'
    case 0x434d594b: return ProfileSpace::Cmyk;  // 'CMYK'
    default: return ProfileSpace::Other;
  }
}

// The offset and size of the tag `signature`, or {0, 0}.
std::pair<std::size_t, std::size_t> FindTag(const Bytes& icc, uint32_t signature) {
  const uint32_t tags = icc.Big(kIccHeaderSize, 4);
  for (uint32_t i = 0; i < tags; ++i) {
    const std::size_t entry = kIccHeaderSize + 4 + std::size_t{i} * 12;
    if (!icc.Has(entry, 12)) break;
    if (icc.Big(entry, 4) != signature) continue;
    const std::size_t offset = icc.Big(entry + 4, 4), size = icc.Big(entry + 8, 4);
    if (icc.Has(offset, size)) return {offset, size};
    break;
  }
  return {0, 0};
}

// The profile's description as 8-bit text: the ASCII of a version 2 'desc',
// or the low bytes of the first UTF-16 string of a version 4 'mluc'.
std::string Description(const Bytes& icc) {
  const auto [offset, size] = FindTag(icc, 0x64657363);  // 'desc'
  const Bytes tag{icc.data + offset, size};
  std::string text;
  if (tag.Matches(0, "desc", 4)) {
    const std::size_t count = tag.Big(8, 4);
    if (tag.Has(12, count)) text.assign(reinterpret_cast<const char*>(tag.data + 12), count);
  } else if (tag.Matches(0, "mluc", 4) && tag.Big(8, 4) > 0) {
    const std::size_t length = tag.Big(20, 4), start = tag.Big(24, 4);
    if (tag.Has(start, length))
      for (std::size_t i = 1; i < length; i += 2) text += static_cast<char>(tag.data[start + i]);
  }
  return text;
}

// sRGB's tone curve is a table or a parametric curve with a linear toe; a
// single gamma (or none) names another profile, such as a linear "sRGB".
bool HasSrgbToneCurve(const Bytes& icc) {
  const auto [offset, size] = FindTag(icc, 0x72545243);  // 'rTRC'
  const Bytes tag{icc.data + offset, size};
  if (tag.Matches(0, "curv", 4)) return tag.Big(8, 4) > 1;
  if (tag.Matches(0, "para", 4)) return tag.Big(8, 2) >= 3;
  return false;
}

void ReadProfile(PhotoHeader& header) {
  Bytes icc{header.profile.data(), header.profile.size()};
  const std::size_t declared = icc.Big(0, 4);
  if (declared < kIccHeaderSize || declared > icc.size || !icc.Matches(36, "acsp", 4)) {
    header.profile.clear();
    return;
  }
  header.profile.resize(declared);
  icc.size = declared;
  header.profile_space = SpaceOf(icc.Big(16, 4));
  header.profile_is_srgb = header.profile_space == ProfileSpace::Rgb &&
                           Description(icc).find("sRGB") != std::string::npos && HasSrgbToneCurve(icc);
}

}  // namespace

PhotoHeader ReadPhotoHeader(const uint8_t* bytes, std::size_t size) {
  const Bytes file{bytes, std::min(size, kPhotoHeaderReadLimit)};
  PhotoHeader header;
  if (file.Big(0, 2) == 0xffd8) {
    header.format = PhotoFormat::Jpeg;
    ReadJpeg(file, header);
    if (!header.profile.empty()) ReadProfile(header);
    header.orientation = ReadExifOrientation(file.data, file.size);
  } else if (file.Matches(0, "\x89PNG\r\n\x1a\n", 8)) {
    header.format = PhotoFormat::Png;
    if (file.Matches(12, "IHDR", 4)) {
      header.width = file.Big(16, 4);
      header.height = file.Big(20, 4);
    }
  } else if (file.Matches(0, "GIF87a", 6) || file.Matches(0, "GIF89a", 6)) {
    header.format = PhotoFormat::Gif;
    header.width = file.Little(6, 2);
    header.height = file.Little(8, 2);
  } else if (file.Matches(0, "BM", 2)) {
    header.format = PhotoFormat::Bmp;
    const bool core = file.Little(14, 4) == 12;  // the old header holds 16-bit sides
    header.width = file.Little(18, core ? 2 : 4);
    const uint32_t height = file.Little(core ? 20 : 22, core ? 2 : 4);
    // A negative height (rows top down) counts by its size.
    header.height = core || height < 0x80000000u ? height : 0u - height;
  } else if (file.Matches(0, "II*\0", 4) || file.Matches(0, "MM\0*", 4)) {
    header.format = PhotoFormat::Tiff;
  }
  return header;
}

bool PhotoSizeAllowed(uint64_t width, uint64_t height) {
  return width > 0 && height > 0 && width <= kPhotoPixelLimit && width * height <= kPhotoPixelLimit;
}

bool CodecMayDecode(const PhotoHeader& header) {
  switch (header.format) {
    case PhotoFormat::Jpeg: {
      // Lossless frames are 0xc3, 0xc7, 0xcb and 0xcf; hierarchical ones
      // 0xc5 to 0xc7 and 0xcd to 0xcf.
      const int m = header.frame_marker;
      const bool lossless = m == 0xc3 || m == 0xc7 || m == 0xcb || m == 0xcf;
      const bool hierarchical = (m >= 0xc5 && m <= 0xc7) || (m >= 0xcd && m <= 0xcf);
      const bool components = header.components == 1 || header.components == 3 || header.components == 4;
      return m != 0 && !lossless && !hierarchical && header.precision == 8 && components &&
             PhotoSizeAllowed(header.width, header.height);
    }
    case PhotoFormat::Png:
    case PhotoFormat::Gif:
    case PhotoFormat::Bmp:
      return PhotoSizeAllowed(header.width, header.height);
    case PhotoFormat::Tiff:
    case PhotoFormat::Unknown:
      return true;
  }
  return false;
}
