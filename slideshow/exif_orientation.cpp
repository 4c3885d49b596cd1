#include "slideshow/exif_orientation.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kUpright = 1;

constexpr uint8_t kMarkerPrefix = 0xff;
constexpr uint8_t kStartOfImage = 0xd8;
constexpr uint8_t kEndOfImage = 0xd9;
constexpr uint8_t kStartOfScan = 0xda;
constexpr uint8_t kApp1 = 0xe1;
constexpr char kExifHeader[6] = {'E', 'x', 'i', 'f', '\0', '\0'};

constexpr uint32_t kTiffMagic = 42;
constexpr std::size_t kTiffHeaderSize = 8;
constexpr std::size_t kEntrySize = 12;
constexpr uint32_t kOrientationTag = 0x0112;
// Cameras store the orientation as any of the integer types.
constexpr uint32_t kShortType = 3;
constexpr uint32_t kLongType = 4;
constexpr uint32_t kSignedLongType = 9;

// Bytes that every read is checked against. A number read past the end is
// 0, which no field this reader accepts may be, so a cut block reads as one
// without the tag.
struct Block {
  const uint8_t* data = nullptr;
  std::size_t size = 0;
  bool little_endian = false;

  bool Has(std::size_t offset, std::size_t count) const { return offset <= size && count <= size - offset; }

  uint32_t Number(std::size_t offset, std::size_t width) const {
    if (!Has(offset, width)) return 0;
    uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) value = value << 8 | data[offset + (little_endian ? width - 1 - i : i)];
    return value;
  }
};

// The TIFF data of the file's Exif segment, from its header to the end of
// the segment or of the bytes given, whichever comes first; empty when the
// markers before the picture data hold none.
Block FindExifBlock(const uint8_t* bytes, std::size_t size) {
  const Block file{bytes, size, false};
  if (file.Number(0, 2) != (kMarkerPrefix << 8 | kStartOfImage)) return {};
  std::size_t at = 2;
  for (;;) {
    if (!file.Has(at, 1) || bytes[at] != kMarkerPrefix) return {};
    // A marker may be padded with any number of fill bytes.
    while (file.Has(at, 1) && bytes[at] == kMarkerPrefix) ++at;
    if (!file.Has(at, 1)) return {};
    const uint8_t marker = bytes[at++];
    // The Exif segment comes before the picture data.
    if (marker == kStartOfScan || marker == kEndOfImage) return {};
    // Counts its own two bytes; past the bytes given it reads as 0.
    const std::size_t length = file.Number(at, 2);
    if (length < 2) return {};
    const std::size_t body = at + 2, end = at + length;
    if (marker == kApp1 && length >= 2 + sizeof kExifHeader && file.Has(body, sizeof kExifHeader) &&
        std::memcmp(bytes + body, kExifHeader, sizeof kExifHeader) == 0) {
      const std::size_t tiff = body + sizeof kExifHeader;
      return Block{bytes + tiff, std::min(end, size) - tiff, false};
    }
    at = end;
  }
}

}  // namespace

int ReadExifOrientation(const uint8_t* bytes, std::size_t size) {
  Block tiff = FindExifBlock(bytes, size);
  if (!tiff.Has(0, kTiffHeaderSize)) return kUpright;
  if (tiff.data[0] == 'I' && tiff.data[1] == 'I') {
    tiff.little_endian = true;
  } else if (tiff.data[0] != 'M' || tiff.data[1] != 'M') {
    return kUpright;
  }
  if (tiff.Number(2, 2) != kTiffMagic) return kUpright;
  // The first directory's entries, each checked whole before it is read.
  const std::size_t directory = tiff.Number(4, 4);
  if (!tiff.Has(directory, 2)) return kUpright;
  const uint32_t entries = tiff.Number(directory, 2);
  for (uint32_t i = 0; i < entries; ++i) {
    const std::size_t entry = directory + 2 + i * kEntrySize;
    if (!tiff.Has(entry, kEntrySize)) return kUpright;
    if (tiff.Number(entry, 2) != kOrientationTag) continue;
    // One SHORT, LONG or SLONG, held at the start of the entry's value. A
    // negative SLONG reads as a number far above 8.
    const uint32_t type = tiff.Number(entry + 2, 2);
    if (type != kShortType && type != kLongType && type != kSignedLongType) return kUpright;
    if (tiff.Number(entry + 4, 4) != 1) return kUpright;
    const uint32_t orientation = tiff.Number(entry + 8, type == kShortType ? 2 : 4);
    return orientation >= 1 && orientation <= 8 ? static_cast<int>(orientation) : kUpright;
  }
  return kUpright;
}
