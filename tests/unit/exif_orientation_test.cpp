#include "slideshow/exif_orientation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

std::string Number(uint32_t value, int width, bool little_endian) {
  std::string bytes;
  for (int i = 0; i < width; ++i) {
    const int shift = 8 * (little_endian ? i : width - 1 - i);
    bytes += static_cast<char>((value >> shift) & 0xff);
  }
  return bytes;
}

struct Entry {
  uint32_t tag, type, count, value;
};

constexpr Entry kWidthEntry{0x0100, 3, 1, 64};
Entry Orientation(uint32_t value) { return {0x0112, 3, 1, value}; }

// A TIFF block: header, then the first directory at `directory` (its entries
// as given, `count` of them by its own word), each value at the start of its
// entry's four value bytes, two bytes wide for a SHORT and four otherwise.
std::string Tiff(bool little_endian, const std::vector<Entry>& entries, uint32_t directory = 8, int count = -1) {
  std::string tiff = little_endian ? "II" : "MM";
  tiff += Number(42, 2, little_endian) + Number(directory, 4, little_endian);
  tiff += Number(count < 0 ? static_cast<uint32_t>(entries.size()) : count, 2, little_endian);
  for (const Entry& e : entries) {
    tiff += Number(e.tag, 2, little_endian) + Number(e.type, 2, little_endian) + Number(e.count, 4, little_endian);
    const int width = e.type == 3 ? 2 : 4;
    tiff += Number(e.value, width, little_endian) + std::string(4 - width, '\0');
  }
  return tiff + Number(0, 4, little_endian);  // no next directory
}

std::string Segment(uint8_t marker, const std::string& body) {
  return std::string{'\xff', static_cast<char>(marker)} + Number(static_cast<uint32_t>(body.size() + 2), 2, false) +
         body;
}

std::string Exif(const std::string& tiff) { return Segment(0xe1, std::string("Exif\0\0", 6) + tiff); }

const std::string kSoi = "\xff\xd8";
const std::string kJfif = Segment(0xe0, std::string("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14));
const std::string kScan = Segment(0xda, std::string("\x01\x01\0\0\x3f\0", 6)) + "picture data";

int Read(const std::string& bytes) {
  return ReadExifOrientation(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

TEST(ReadExifOrientation, EachOrientationInEitherByteOrderAndEachIntegerType) {
  for (const bool little_endian : {true, false}) {
    for (const uint32_t type : {3u, 4u, 9u}) {  // SHORT, LONG, SLONG
      for (uint32_t value = 1; value <= 8; ++value) {
        const Entry orientation{0x0112, type, 1, value};
        const std::string file = kSoi + kJfif + Exif(Tiff(little_endian, {kWidthEntry, orientation})) + kScan;
        EXPECT_EQ(Read(file), static_cast<int>(value)) << (little_endian ? "II " : "MM ") << type << " " << value;
      }
    }
  }
}

TEST(ReadExifOrientation, AnythingWrongReadsAsUpright) {
  const std::string six = Tiff(false, {kWidthEntry, Orientation(6)});
  const std::string whole = kSoi + Exif(six) + kScan;
  // The segment's length word says 4: too short for its own "Exif" header.
  std::string short_segment = kSoi + Exif(six);
  short_segment[5] = 4;
  // The segment ends after the first entry; the orientation entry follows it.
  std::string cut_segment = kSoi + Exif(six) + kScan;
  cut_segment[5] = static_cast<char>(2 + 6 + 8 + 2 + 12);
  const struct {
    const char* name;
    std::string bytes;
    int expected;
  } cases[] = {
      {"the Exif segment after another APP1", kSoi + Segment(0xe1, "http://ns.adobe.com/xap/1.0/") + Exif(six), 6},
      {"fill bytes before a marker", kSoi + "\xff\xff" + Exif(six), 6},
      {"the bytes end after the tag, inside the segment", whole.substr(0, 2 + 10 + 8 + 2 + 24), 6},
      {"the bytes end inside the orientation entry", whole.substr(0, 2 + 10 + 8 + 2 + 23), 1},
      {"the segment ends before the orientation entry", cut_segment, 1},
      {"a segment too short for its Exif header", short_segment, 1},
      {"the directory past the end", kSoi + Exif(Tiff(false, {Orientation(6)}, 0xfffffff0)), 1},
      {"more entries counted than there are", kSoi + Exif(Tiff(true, {kWidthEntry}, 8, 0xffff)), 1},
      {"no orientation entry", kSoi + kJfif + Exif(Tiff(true, {kWidthEntry})) + kScan, 1},
      {"no APP1", kSoi + kJfif + kScan, 1},
      {"only an XMP APP1", kSoi + Segment(0xe1, "http://ns.adobe.com/xap/1.0/") + kScan, 1},
      {"the Exif segment after the picture data starts", kSoi + kScan + Exif(six), 1},
      {"a segment length below 2", kSoi + std::string("\xff\xe0\x00\x01", 4) + Exif(six), 1},
      {"no start of image", Exif(six), 1},
      {"no bytes", "", 1},
      {"orientation 0", kSoi + Exif(Tiff(true, {Orientation(0)})), 1},
      {"orientation 9", kSoi + Exif(Tiff(true, {Orientation(9)})), 1},
      {"a LONG orientation 0", kSoi + Exif(Tiff(false, {{0x0112, 4, 1, 0}})), 1},
      {"an SLONG orientation of -6", kSoi + Exif(Tiff(true, {{0x0112, 9, 1, 0xfffffffa}})), 1},
      {"a LONG whose high word holds 6", kSoi + Exif(Tiff(false, {{0x0112, 4, 1, 0x00060000}})), 1},
      {"a RATIONAL orientation", kSoi + Exif(Tiff(false, {{0x0112, 5, 1, 6}})), 1},
      {"a signed SHORT orientation", kSoi + Exif(Tiff(false, {{0x0112, 8, 1, 6}})), 1},
      {"two orientation values", kSoi + Exif(Tiff(false, {{0x0112, 3, 2, 6}})), 1},
      {"no byte order mark", kSoi + Exif("IM" + six.substr(2)), 1},
      {"not TIFF's 42", kSoi + Exif(six.substr(0, 3) + "\x2b" + six.substr(4)), 1},
  };
  for (const auto& c : cases) {
    // Exactly the bytes of the case, so a read past them shows under AddressSanitizer.
    const std::vector<uint8_t> bytes(c.bytes.begin(), c.bytes.end());
    EXPECT_EQ(ReadExifOrientation(bytes.data(), bytes.size()), c.expected) << c.name;
  }
}

}  // namespace
