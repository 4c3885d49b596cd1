#include "slideshow/photo_header.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

std::string Big(std::size_t value, int width) {
  std::string bytes;
  for (int i = width - 1; i >= 0; --i) bytes += static_cast<char>(value >> (8 * i));
  return bytes;
}
std::string Segment(int marker, const std::string& body) {
  return "\xff" + std::string(1, static_cast<char>(marker)) + Big(body.size() + 2, 2) + body;
}
std::string Frame(int marker, int precision, uint32_t width, uint32_t height, int components = 3) {
  return Segment(marker, std::string(1, static_cast<char>(precision)) + Big(height, 2) + Big(width, 2) +
                             std::string(1, static_cast<char>(components)) + std::string(3 * components, '\x11'));
}
std::string Icc(int sequence, int count, const std::string& part) {
  return Segment(0xe2, std::string("ICC_PROFILE\0", 12) + static_cast<char>(sequence) + static_cast<char>(count) + part);
}
// A profile of `space` with a description and a red tone curve of `points`.
std::string Profile(const char* space, const std::string& name, uint32_t points) {
  const std::string desc = "desc" + Big(0, 4) + Big(name.size(), 4) + name, curv = "curv" + Big(0, 4) + Big(points, 4);
  const std::string body = std::string(12, '\0') + space + std::string(16, '\0') + "acsp" + std::string(88, '\0') +
                           Big(2, 4) + "desc" + Big(156, 4) + Big(desc.size(), 4) + "rTRC" + Big(156 + desc.size(), 4) +
                           Big(curv.size(), 4) + desc + curv;
  return Big(4 + body.size(), 4) + body;
}

const std::string kSoi = "\xff\xd8", kPhoto = Frame(0xc0, 8, 640, 480);
const std::string kP3 = Profile("RGB ", "Display P3", 1024), kSrgb = Profile("RGB ", "sRGB IEC61966-2.1", 1024);
const std::string kHead = kP3.substr(0, 100), kTail = kP3.substr(100);

TEST(ReadPhotoHeader, DecidesWhatACodecMaySeeAndReadsWhatItNeeds) {
  std::string near_limit = kSoi, past_limit = kSoi;
  for (int i = 0; i < 31; ++i) near_limit += Segment(0xe2, std::string(65533, 'x'));
  past_limit = near_limit + Segment(0xe2, std::string(65533, 'x')) + Segment(0xe2, std::string(65533, 'x'));
  const std::string exif_slong_6 = Segment(0xe1, std::string("Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x09\0\x01\0\0\0\x06\0\0\0", 28));
  const std::string adobe_ycck = Segment(0xee, std::string("Adobe\0\x64\0\0\0\0\x02", 12));
  const std::string ycck = kSoi + exif_slong_6 + adobe_ycck + Frame(0xc2, 8, 640, 480, 4);
  std::string large_profile = Icc(1, 17, kP3 + std::string(64000 - kP3.size(), '\0'));
  for (int i = 2; i <= 17; ++i) large_profile += Icc(i, 17, std::string(64000, '\0'));
  const struct {
    const char* name;
    std::string bytes;
    bool decodable;
    uint32_t width = 640, height = 480;
    std::string profile = "";
    ProfileSpace space = ProfileSpace::None;
    bool srgb = false;
  } cases[] = {
      {"baseline", kSoi + kPhoto, true},
      {"progressive after fill bytes and a restart marker", kSoi + "\xff\xff\xff\xd0" + Frame(0xc2, 8, 640, 480), true},
      {"12-bit", kSoi + Frame(0xc1, 12, 640, 480), false},
      {"lossless", kSoi + Frame(0xc3, 8, 640, 480), false},
      {"two components", kSoi + Frame(0xc0, 8, 640, 480, 2), false},
      {"height left to a DNL marker", kSoi + Frame(0xc0, 8, 640, 0), false, 640, 0},
      {"the header bomb", kSoi + Frame(0xc2, 8, 64250, 64250), false, 64250, 64250},
      {"exactly the pixel limit", kSoi + Frame(0xc2, 8, 10000, 10000, 1), true, 10000, 10000},
      {"one row over it", kSoi + Frame(0xc2, 8, 10000, 10001, 4), false, 10000, 10001},
      {"a frame header cut short", kSoi + kPhoto.substr(0, 8), false, 0, 0},
      {"no frame header before the scan", kSoi + Segment(0xda, "") + kPhoto, false, 0, 0},
      {"the frame header past 2 MiB", past_limit + kPhoto, false, 0, 0},
      {"the frame header just within 2 MiB", near_limit + kPhoto, true},
      {"PNG", "\x89PNG\r\n\x1a\n" + Big(13, 4) + "IHDR" + Big(1, 4) + Big(1, 4), true, 1, 1},
      {"a PNG bomb", "\x89PNG\r\n\x1a\n" + Big(13, 4) + "IHDR" + Big(60000, 4) + Big(60000, 4), false, 60000, 60000},
      {"BMP stored top down", "BM" + std::string(12, '\0') + std::string("\x28\0\0\0\x80\x02\0\0\x20\xfe\xff\xff", 12), true},
      {"TIFF, sized by its codec", "II*\0", true, 0, 0},
      {"text, tried by the codecs", "not a picture", true, 0, 0},
      {"SLONG orientation, YCCK", ycck, true},
      {"a profile in two chunks out of order", kSoi + Icc(2, 2, kTail) + Icc(1, 2, kHead) + kPhoto, true, 640, 480, kP3,
       ProfileSpace::Rgb},
      {"sRGB", kSoi + Icc(1, 1, kSrgb) + kPhoto, true, 640, 480, kSrgb, ProfileSpace::Rgb, true},
      {"sRGB by name, but linear", kSoi + Icc(1, 1, Profile("RGB ", "sRGB", 1)) + kPhoto, true, 640, 480,
       Profile("RGB ", "sRGB", 1), ProfileSpace::Rgb},
      {"CMYK, padded after its size", kSoi + Icc(1, 1, Profile("CMYK", "FOGRA39", 1) + "pad") + kPhoto, true, 640, 480,
       Profile("CMYK", "FOGRA39", 1), ProfileSpace::Cmyk},
      {"a chunk missing", kSoi + Icc(1, 3, kHead) + Icc(3, 3, kTail) + kPhoto, true},
      {"counts that differ", kSoi + Icc(1, 2, kHead) + Icc(2, 3, kTail) + kPhoto, true},
      {"cut before its stated size", kSoi + Icc(1, 1, kP3.substr(0, kP3.size() - 1)) + kPhoto, true},
      {"over 1 MiB", kSoi + large_profile + kPhoto, true},
  };
  for (const auto& c : cases) {
    // Exactly the bytes of the case, so a read past them shows under AddressSanitizer.
    const std::vector<uint8_t> bytes(c.bytes.begin(), c.bytes.end());
    const PhotoHeader header = ReadPhotoHeader(bytes.data(), bytes.size());
    EXPECT_EQ(CodecMayDecode(header), c.decodable) << c.name;
    EXPECT_EQ(header.width, c.width) << c.name;
    EXPECT_EQ(header.height, c.height) << c.name;
    EXPECT_EQ(std::string(header.profile.begin(), header.profile.end()), c.profile) << c.name;
    EXPECT_EQ(header.profile_space, c.space) << c.name;
    EXPECT_EQ(header.profile_is_srgb, c.srgb) << c.name;
  }
  const PhotoHeader header = ReadPhotoHeader(reinterpret_cast<const uint8_t*>(ycck.data()), ycck.size());
  EXPECT_EQ(std::tuple(header.adobe_transform, header.components, header.orientation), std::tuple(2, 4, 6));
}

}  // namespace
