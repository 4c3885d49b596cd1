#include "slideshow/photo_header.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

std::string Big(uint32_t value, int width) {
  std::string bytes;
  for (int i = width - 1; i >= 0; --i) bytes += static_cast<char>((value >> (8 * i)) & 0xff);
  return bytes;
}

std::string Segment(uint8_t marker, const std::string& body) {
  return std::string{'\xff', static_cast<char>(marker)} + Big(static_cast<uint32_t>(body.size() + 2), 2) + body;
}

std::string Frame(uint8_t marker, int precision, uint32_t width, uint32_t height, int components) {
  return Segment(marker, std::string(1, static_cast<char>(precision)) + Big(height, 2) + Big(width, 2) +
                             std::string(1, static_cast<char>(components)) + std::string(3 * components, '\x11'));
}

std::string IccChunk(int sequence, int count, const std::string& part) {
  return Segment(0xe2, std::string("ICC_PROFILE\0", 12) + static_cast<char>(sequence) + static_cast<char>(count) + part);
}

// A profile of `space` whose description and red tone curve are as given
// (a 'curv' of `curve_points` entries).
std::string Profile(const char* space, const std::string& description, uint32_t curve_points) {
  const std::string desc = "desc" + std::string(4, '\0') + Big(static_cast<uint32_t>(description.size()), 4) +
                           description + std::string(4, '\0');
  const std::string curv = "curv" + std::string(4, '\0') + Big(curve_points, 4) + std::string(2 * curve_points, '\x40');
  const uint32_t tags = 128 + 4 + 2 * 12;
  std::string icc = std::string(16, '\0') + space + std::string(16, '\0') + "acsp" + std::string(128 - 40, '\0');
  icc += Big(2, 4) + "desc" + Big(tags, 4) + Big(static_cast<uint32_t>(desc.size()), 4);
  icc += "rTRC" + Big(tags + static_cast<uint32_t>(desc.size()), 4) + Big(static_cast<uint32_t>(curv.size()), 4);
  icc += desc + curv;
  return Big(static_cast<uint32_t>(icc.size()), 4) + icc.substr(4);
}

const std::string kSoi = "\xff\xd8";
const std::string kScan = Segment(0xda, std::string("\x01\x01\0\0\x3f\0", 6)) + "picture data";
const std::string kPhoto = Frame(0xc0, 8, 640, 480, 3) + kScan;
const std::string kAdobeYcck = Segment(0xee, std::string("Adobe\0\x64\0\0\0\0\x02", 12));
const std::string kP3 = Profile("RGB ", "Display P3", 1024);
const std::string kSrgb = Profile("RGB ", "sRGB IEC61966-2.1", 1024);

PhotoHeader Read(const std::string& bytes) {
  // Exactly the bytes of the case, so a read past them shows under AddressSanitizer.
  const std::vector<uint8_t> copy(bytes.begin(), bytes.end());
  return ReadPhotoHeader(copy.data(), copy.size());
}

TEST(ReadPhotoHeader, RefusesWhatNoCodecShouldSee) {
  const std::string app2_filler = Segment(0xe2, std::string(65533, 'x'));
  std::string past_limit = kSoi, within_limit = kSoi;
  for (int i = 0; i < 33; ++i) past_limit += app2_filler;
  for (int i = 0; i < 31; ++i) within_limit += app2_filler;
  const struct {
    const char* name;
    std::string bytes;
    bool decodable;
  } cases[] = {
      {"baseline", kSoi + kPhoto, true},
      {"progressive, after fill bytes and a restart marker", kSoi + "\xff\xff\xff\xd0" + Frame(0xc2, 8, 640, 480, 3), true},
      {"extended sequential grey", kSoi + Frame(0xc1, 8, 640, 480, 1), true},
      {"CMYK", kSoi + kAdobeYcck + Frame(0xc0, 8, 640, 480, 4), true},
      {"12-bit", kSoi + Frame(0xc1, 12, 640, 480, 3), false},
      {"lossless", kSoi + Frame(0xc3, 8, 640, 480, 3), false},
      {"hierarchical", kSoi + Frame(0xc5, 8, 640, 480, 3), false},
      {"lossless arithmetic hierarchical", kSoi + Frame(0xcf, 8, 640, 480, 3), false},
      {"two components", kSoi + Frame(0xc0, 8, 640, 480, 2), false},
      {"height left to a DNL marker", kSoi + Frame(0xc0, 8, 640, 0, 3), false},
      {"the header bomb", kSoi + Frame(0xc2, 8, 64250, 64250, 3), false},
      {"exactly the pixel limit", kSoi + Frame(0xc2, 8, 10000, 10000, 3), true},
      {"one row over it", kSoi + Frame(0xc2, 8, 10000, 10001, 3), false},
      {"a frame header cut short", kSoi + Frame(0xc0, 8, 640, 480, 3).substr(0, 8), false},
      {"no frame header before the scan", kSoi + kScan + Frame(0xc0, 8, 640, 480, 3), false},
      {"the frame header past 2 MiB", past_limit + kPhoto, false},
      {"the frame header just within 2 MiB", within_limit + kPhoto, true},
      {"PNG", "\x89PNG\r\n\x1a\n" + Big(13, 4) + "IHDR" + Big(1, 4) + Big(1, 4), true},
      {"a PNG bomb", "\x89PNG\r\n\x1a\n" + Big(13, 4) + "IHDR" + Big(60000, 4) + Big(60000, 4), false},
      {"GIF", std::string("GIF89a\x20\x03\x58\x02", 10), true},
      {"BMP stored top down", "BM" + std::string(12, '\0') + std::string("\x28\0\0\0\x20\x03\0\0\x18\xfc\xff\xff", 12), true},
      {"a BMP bomb", "BM" + std::string(12, '\0') + std::string("\x28\0\0\0\0\x80\0\0\0\x80\0\0", 12), false},
      {"TIFF, sized by its codec", "II*\0", true},
      {"text, tried by the codecs", "not a picture", true},
  };
  for (const auto& c : cases) EXPECT_EQ(CodecMayDecode(Read(c.bytes)), c.decodable) << c.name;
}

TEST(ReadPhotoHeader, ReadsFrameAdobeMarkerAndOrientation) {
  const std::string exif = Segment(0xe1, std::string("Exif\0\0II\x2a\0\x08\0\0\0\x01\0\x12\x01\x09\0\x01\0\0\0\x06\0\0\0", 28));
  const PhotoHeader header = Read(kSoi + exif + kAdobeYcck + Frame(0xc2, 8, 6000, 4000, 4) + kScan);
  EXPECT_EQ(header.format, PhotoFormat::Jpeg);
  EXPECT_EQ(header.frame_marker, 0xc2);
  EXPECT_EQ(header.width, 6000u);
  EXPECT_EQ(header.height, 4000u);
  EXPECT_EQ(header.components, 4);
  EXPECT_EQ(header.adobe_transform, 2);
  EXPECT_EQ(header.orientation, 6);
  EXPECT_EQ(Read(kSoi + kPhoto).adobe_transform, -1);
  const PhotoHeader bmp = Read("BM" + std::string(12, '\0') + std::string("\x0c\0\0\0\x20\x03\x58\x02", 8));
  EXPECT_EQ(bmp.width, 800u);
  EXPECT_EQ(bmp.height, 600u);
}

TEST(ReadPhotoHeader, JoinsProfileChunksAndKnowsSrgb) {
  const std::string head = kP3.substr(0, 100), tail = kP3.substr(100);
  const std::string grey = Profile("GRAY", "Gamma 2.2 grey", 1), cmyk = Profile("CMYK", "Coated FOGRA39", 1);
  const struct {
    const char* name;
    std::string segments;
    std::string profile;
    ProfileSpace space;
    bool srgb;
  } cases[] = {
      {"one chunk", IccChunk(1, 1, kP3), kP3, ProfileSpace::Rgb, false},
      {"two chunks out of order", IccChunk(2, 2, tail) + IccChunk(1, 2, head), kP3, ProfileSpace::Rgb, false},
      {"sRGB", IccChunk(1, 1, kSrgb), kSrgb, ProfileSpace::Rgb, true},
      {"sRGB by name, but linear", IccChunk(1, 1, Profile("RGB ", "sRGB linear", 1)),
       Profile("RGB ", "sRGB linear", 1), ProfileSpace::Rgb, false},
      {"grey", IccChunk(1, 1, grey), grey, ProfileSpace::Grey, false},
      {"CMYK, padded after its declared size", IccChunk(1, 1, cmyk + "pad"), cmyk, ProfileSpace::Cmyk, false},
      {"a chunk missing", IccChunk(1, 3, head) + IccChunk(3, 3, tail), "", ProfileSpace::None, false},
      {"a chunk twice", IccChunk(1, 2, head) + IccChunk(1, 2, head) + IccChunk(2, 2, tail), "", ProfileSpace::None, false},
      {"counts that differ", IccChunk(1, 2, head) + IccChunk(2, 3, tail), "", ProfileSpace::None, false},
      {"sequence number 0", IccChunk(0, 1, kP3), "", ProfileSpace::None, false},
      {"an empty chunk", IccChunk(1, 2, kP3) + IccChunk(2, 2, ""), "", ProfileSpace::None, false},
      {"cut before its declared size", IccChunk(1, 1, kP3.substr(0, kP3.size() - 1)), "", ProfileSpace::None, false},
      {"no profile signature", IccChunk(1, 1, kP3.substr(0, 36) + "xxxx" + kP3.substr(40)), "", ProfileSpace::None,
       false},
  };
  for (const auto& c : cases) {
    const PhotoHeader header = Read(kSoi + c.segments + kPhoto);
    EXPECT_EQ(std::string(header.profile.begin(), header.profile.end()), c.profile) << c.name;
    EXPECT_EQ(header.profile_space, c.space) << c.name;
    EXPECT_EQ(header.profile_is_srgb, c.srgb) << c.name;
    EXPECT_TRUE(CodecMayDecode(header)) << c.name;
  }
  // Over 1 MiB in all: 17 chunks of 64 000 bytes.
  std::string large;
  for (int i = 1; i <= 17; ++i) large += IccChunk(i, 17, i == 1 ? kP3 + std::string(64000 - kP3.size(), '\0') : std::string(64000, '\0'));
  EXPECT_TRUE(Read(kSoi + large + kPhoto).profile.empty());
}

}  // namespace
