#include "drawing/photo_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <type_traits>
#include <utility>
#include <vector>

#include "slideshow/slide_sequencer.h"

// The canvas and the sequencer's slide geometry share one texture side of one type.
static_assert(std::is_same_v<decltype(kTextureSize), const int>);

namespace {

struct FitCase {
  uint32_t pixel_width, pixel_height;
  float width, height;
  int x, y, w, h;
  int side = kTextureSize;
};

TEST(PhotoFit, SizesAndRectangles) {
  const FitCase cases[] = {
      // Wider than the canvas: the width becomes 2048, the height keeps its fraction.
      {3000, 2000, 2048.0f, 2000.0f / (3000.0f / 2048.0f), 0, 341, 2048, 1365},
      // Fits: drawn at its own size, never enlarged.
      {1024, 768, 1024.0f, 768.0f, 512, 640, 1024, 768},
      // Taller than the canvas: scale 2.
      {2048, 4096, 1024.0f, 2048.0f, 512, 0, 1024, 2048},
      // Nothing decoded: an empty rectangle in the middle.
      {0, 0, 0.0f, 0.0f, 1024, 1024, 0, 0},
      // Exactly the canvas: no scaling, no margin.
      {2048, 2048, 2048.0f, 2048.0f, 0, 0, 2048, 2048},
      // One pixel too wide is enough to scale both sides.
      {2049, 2049, 2048.0f, 2048.0f, 0, 0, 2048, 2048},
      // An odd margin is truncated before it is halved.
      {1023, 1, 1023.0f, 1.0f, 512, 1023, 1023, 1},
      // Extreme strips shrink below one texel and draw nothing, without overflow;
      // a sliver this thin vanishes in the float margin.
      {4294967295u, 1, 2048.0f, 1.0f / (4294967295.0f / 2048.0f), 0, 1024, 2048, 0},
      {1, 3000, 2048.0f / 3000.0f, 2048.0f, 1023, 0, 0, 2048},
      // The canvas of a 4096 slot: a photo of a 3840 x 2160 screen's size
      // texel for pixel, larger ones shrunk to 4096, smaller never enlarged.
      {3840, 2160, 3840.0f, 2160.0f, 128, 968, 3840, 2160, 4096},
      {8000, 6000, 4096.0f, 3072.0f, 0, 512, 4096, 3072, 4096},
      {1024, 768, 1024.0f, 768.0f, 1536, 1664, 1024, 768, 4096},
  };
  for (const FitCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.pixel_width << " x " << c.pixel_height << " on " << c.side);
    const PhotoFit fit = FitPhoto(c.pixel_width, c.pixel_height, 1, c.side);
    EXPECT_EQ(fit.side, c.side);
    EXPECT_FLOAT_EQ(fit.width, c.width);
    EXPECT_FLOAT_EQ(fit.height, c.height);
    EXPECT_EQ(fit.x, c.x);
    EXPECT_EQ(fit.y, c.y);
    EXPECT_EQ(fit.w, c.w);
    EXPECT_EQ(fit.h, c.h);
  }
}

TEST(SlotTextureSide, FollowsTheScreensLongerSideWithinTheDriversLimit) {
  const struct {
    int width, height, limit, side;
  } cases[] = {
      {1280, 720, 16384, 2048}, {2048, 1152, 16384, 2048}, {2049, 1000, 16384, 4096},
      {1000, 2049, 16384, 4096}, {4096, 2160, 16384, 4096}, {4097, 2160, 16384, 8192},
      {15360, 8640, 16384, 8192}, {3840, 2160, 4096, 4096},  {7680, 4320, 4096, 4096},
      {7680, 4320, 8191, 4096}, {3840, 2160, 2048, 2048},    {3840, 2160, 1024, 1024},
      {1280, 720, 1024, 1024},  {1280, 720, 0, 2048},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SlotTextureSide(c.width, c.height, c.limit), c.side) << c.width << " x " << c.height << " limit " << c.limit;
}

TEST(UploadAtFittingSide, WithinTheLimitHalvingAfterEachRefusal) {
  const struct {
    int side, limit;
    std::vector<int> refused, tried;
    int taken;
  } cases[] = {
      {2048, 16384, {}, {2048}, 2048},       {2048, 1024, {}, {1024}, 1024},  // an overlay on a weak driver
      {8192, 16384, {8192}, {8192, 4096}, 4096},                              // out of memory: half the side
      {4096, 0, {4096, 2048}, {4096, 2048, 1024}, 1024},                      // no limit known
      {4, 16384, {4, 2, 1}, {4, 2, 1}, 0},                                    // nothing fits: black
  };
  for (const auto& c : cases) {
    std::vector<int> tried;
    EXPECT_EQ(UploadAtFittingSide(c.side, c.limit, [&](int side) {
                tried.push_back(side);
                return std::find(c.refused.begin(), c.refused.end(), side) == c.refused.end();
              }), c.taken) << c.side << " limit " << c.limit;
    EXPECT_EQ(tried, c.tried) << c.side << " limit " << c.limit;
  }
}

TEST(DrawPictureOnCanvas, AddressesTheCanvasByItsSide) {
  // The drawing addresses the canvas by the fit's side: the picture's first
  // pixel at its place on a 4096 canvas, black around it.
  const uint8_t white[2 * 3] = {255, 255, 255, 255, 255, 255};
  const PhotoFit fit = FitPhoto(2, 1, 1, 4096);
  std::vector<uint32_t> canvas(CanvasTexelCount(4096), 0x12345678);
  DrawPictureOnCanvas(PictureView{white, 2, 1, 6}, fit, canvas.data());
  const auto at = [&](int x, int y) { return canvas[static_cast<std::size_t>(4095 - y) * 4096 + x]; };
  EXPECT_EQ(at(2047, 2047), 0xffffffffu);
  EXPECT_EQ(at(2048, 2047), 0xffffffffu);
  EXPECT_EQ(at(2046, 2047), kOpaqueBlack);
  EXPECT_EQ(at(2047, 2048), kOpaqueBlack);
  EXPECT_EQ(std::count(canvas.begin(), canvas.end(), kOpaqueBlack), static_cast<std::ptrdiff_t>(canvas.size()) - 2);
}

TEST(PhotoFit, KeepsTheUnroundedHeight) {
  // The slot must keep 1365.33, not the drawn 1365: the sequencer's clip
  // planes are computed from it.
  const PhotoFit fit = FitPhoto(3000, 2000);
  EXPECT_GT(fit.height, 1365.3f);
  EXPECT_LT(fit.height, 1365.4f);
}

// A picture of 3-byte pixels (blue, green, red), rows top-down.
struct Picture {
  int width, height;
  std::vector<uint8_t> bytes;
  Picture(int w, int h) : width(w), height(h), bytes(static_cast<std::size_t>(w) * h * 3) {}
  void Set(int x, int y, uint32_t rgb) {
    uint8_t* p = &bytes[(static_cast<std::size_t>(y) * width + x) * 3];
    p[0] = rgb & 0xff;
    p[1] = (rgb >> 8) & 0xff;
    p[2] = (rgb >> 16) & 0xff;
  }
  PictureView View() const { return {bytes.data(), width, height, static_cast<std::ptrdiff_t>(width) * 3}; }
};

// The canvas as the texture takes it: bottom row first. Filled with a
// colour no drawing produces, so an untouched texel shows.
struct CanvasTexels {
  std::vector<uint32_t> texels = std::vector<uint32_t>(kCanvasTexels, 0x12345678);
  // Canvas coordinates: y counts down from the top row.
  uint32_t At(int x, int y) const { return texels[static_cast<std::size_t>(kTextureSize - 1 - y) * kTextureSize + x]; }
  int Channel(int x, int y, int shift) const { return static_cast<int>((At(x, y) >> shift) & 0xff); }
};

PhotoFit Rect(int x, int y, int w, int h) {
  PhotoFit fit;
  fit.x = x, fit.y = y, fit.w = w, fit.h = h;
  return fit;
}

TEST(DrawPictureOnCanvas, CopiesAPictureOfTheRectanglesSizeUprightOnBlack) {
  Picture picture(3, 2);
  const uint32_t colours[2][3] = {{0x102030, 0x405060, 0x708090}, {0xa0b0c0, 0xd0e0f0, 0x010203}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) picture.Set(x, y, colours[y][x]);
  CanvasTexels canvas;
  DrawPictureOnCanvas(picture.View(), Rect(10, 20, 3, 2), canvas.texels.data());
  int picture_texels = 0;
  for (int y = 0; y < kTextureSize; ++y) {
    for (int x = 0; x < kTextureSize; ++x) {
      const bool inside = x >= 10 && x < 13 && y >= 20 && y < 22;
      const uint32_t expected = inside ? (kOpaqueBlack | colours[y - 20][x - 10]) : kOpaqueBlack;
      if (canvas.At(x, y) != expected) {
        ADD_FAILURE() << "texel (" << x << ", " << y << ") is " << std::hex << canvas.At(x, y);
        return;
      }
      picture_texels += inside;
    }
  }
  EXPECT_EQ(picture_texels, 6);
}

TEST(DrawPictureOnCanvas, ShrinkingAveragesTheAreaOfEachTexel) {
  struct Case {
    const char* name;
    int width, height;
    uint32_t (*pixel)(int x, int y);
    PhotoFit rect;
    int low, high;  // every channel of every texel of the rectangle
  };
  const Case cases[] = {
      {"a flat colour stays exactly that colour", 5000, 30, [](int, int) { return 0x5a7d2cu; }, Rect(0, 100, 2048, 12),
       0, 0},
      // Each texel covers a little more than one black and one white column:
      // grey, where picking or interpolating between pixels would give stripes.
      {"columns a pixel wide turn grey", 4243, 8, [](int x, int) { return x % 2 ? 0xffffffu : 0u; },
       Rect(0, 0, 2048, 4), 122, 133},
      {"rows a pixel wide turn grey", 8, 4243, [](int, int y) { return y % 2 ? 0xffffffu : 0u; },
       Rect(0, 0, 4, 2048), 122, 133},
      // Exactly two by two pixels a texel: their average, rounded.
      {"two by two blocks", 4, 4, [](int x, int y) { return (x + y) % 2 ? 0xc8c8c8u : 0x646464u; },
       Rect(7, 9, 2, 2), 150, 150},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Picture picture(c.width, c.height);
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x) picture.Set(x, y, c.pixel(x, y));
    CanvasTexels canvas;
    DrawPictureOnCanvas(picture.View(), c.rect, canvas.texels.data());
    const bool flat = c.low == 0 && c.high == 0;
    for (int y = c.rect.y; y < c.rect.y + c.rect.h; ++y) {
      for (int x = c.rect.x; x < c.rect.x + c.rect.w; ++x) {
        if (flat) {
          ASSERT_EQ(canvas.At(x, y), kOpaqueBlack | 0x5a7d2cu) << "at (" << x << ", " << y << ")";
          continue;
        }
        for (const int shift : {0, 8, 16}) {
          const int v = canvas.Channel(x, y, shift);
          ASSERT_TRUE(v >= c.low && v <= c.high) << v << " at (" << x << ", " << y << ")";
        }
      }
    }
    if (c.rect.x + c.rect.w < kTextureSize) EXPECT_EQ(canvas.At(c.rect.x + c.rect.w, c.rect.y), kOpaqueBlack);
    if (c.rect.y + c.rect.h < kTextureSize) EXPECT_EQ(canvas.At(c.rect.x, c.rect.y + c.rect.h), kOpaqueBlack);
  }
}

TEST(DrawPictureOnCanvas, ShrinkingKeepsTheAverageBrightness) {
  Picture picture(1000, 700);
  std::mt19937 random(7);
  for (uint8_t& b : picture.bytes) b = static_cast<uint8_t>(random());
  double in[3] = {}, out[3] = {};
  for (std::size_t i = 0; i < picture.bytes.size(); ++i) in[i % 3] += picture.bytes[i];
  CanvasTexels canvas;
  const PhotoFit rect = Rect(100, 200, 333, 233);
  DrawPictureOnCanvas(picture.View(), rect, canvas.texels.data());
  for (int y = rect.y; y < rect.y + rect.h; ++y)
    for (int x = rect.x; x < rect.x + rect.w; ++x)
      for (int c = 0; c < 3; ++c) out[c] += canvas.Channel(x, y, 8 * c);
  for (int c = 0; c < 3; ++c)
    EXPECT_NEAR(out[c] / (rect.w * rect.h), in[c] / (1000.0 * 700.0), 0.5) << "channel " << c;
}

TEST(DrawPictureOnCanvas, NothingToDrawLeavesTheCanvasBlack) {
  Picture picture(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) picture.Set(x, y, 0xffffff);
  struct Case {
    const char* name;
    PictureView view;
    PhotoFit rect;
  };
  const Case cases[] = {
      {"no pixels", PictureView{}, Rect(0, 0, 4, 4)},
      {"no width", PictureView{picture.bytes.data(), 0, 4, 12}, Rect(0, 0, 4, 4)},
      {"an empty rectangle", picture.View(), Rect(1024, 1024, 0, 0)},
  };
  for (const Case& c : cases) {
    CanvasTexels canvas;
    DrawPictureOnCanvas(c.view, c.rect, canvas.texels.data());
    std::size_t black = 0;
    for (const uint32_t t : canvas.texels) black += t == kOpaqueBlack;
    EXPECT_EQ(black, kCanvasTexels) << c.name;
  }
}


// A source reading a Picture in bands, the way the decoder does, logging each
// read; `fail_from` makes reads from that row on fail.
struct BandLog {
  std::vector<std::pair<int, int>> reads;  // first row, count
};
PictureSource BandedSource(const Picture& picture, BandLog& log, int fail_from = -1) {
  return {picture.width, picture.height, [&picture, &log, fail_from](int first, int count, uint8_t* out,
                                                                        std::ptrdiff_t stride) {
            log.reads.push_back({first, count});
            if (fail_from >= 0 && first + count > fail_from) return false;
            const std::size_t row = static_cast<std::size_t>(picture.width) * 3;
            for (int y = 0; y < count; ++y)
              std::copy_n(&picture.bytes[(first + y) * row], row, out + y * stride);
            return true;
          }};
}

TEST(DrawPictureSourceOnCanvas, DrawsWhatTheWholePictureDrawsReadingEachBandOnce) {
  const struct {
    int width, height;
    PhotoFit fit;
  } cases[] = {
      {4243, 2829, FitPhoto(4243, 2829)},  // shrunk about 2.07 times, texels across band edges
      {641, 150, FitPhoto(641, 150)},      // copied, odd row length, a last band shorter than the rest
      {30, 5000, Rect(1000, 0, 12, 2048)}, // shrunk down the rows only
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
    Picture picture(c.width, c.height);
    std::mt19937 random(c.width);
    for (uint8_t& b : picture.bytes) b = static_cast<uint8_t>(random());
    CanvasTexels whole, banded;
    DrawPictureOnCanvas(picture.View(), c.fit, whole.texels.data());
    BandLog log;
    EXPECT_TRUE(DrawPictureSourceOnCanvas(BandedSource(picture, log), c.fit, banded.texels.data()));
    EXPECT_TRUE(banded.texels == whole.texels);
    int next = 0;
    for (const auto& [first, count] : log.reads) {
      EXPECT_LE(count, kPictureBandRows);
      EXPECT_EQ(first, next) << "each band follows the last";
      next = first + count;
    }
    EXPECT_EQ(next, c.height);
  }
}

TEST(DrawPictureSourceOnCanvas, FailedOrRefusedSourcesLeaveTheCanvasBlack) {
  Picture picture(300, 200);
  std::fill(picture.bytes.begin(), picture.bytes.end(), uint8_t{255});
  BandLog log;
  const struct {
    const char* name;
    PictureSource source;
    std::size_t reads;
  } cases[] = {
      {"a read fails halfway", BandedSource(picture, log, 100), 2},
      {"the first read fails", BandedSource(picture, log, 0), 1},
      {"no reader", PictureSource{300, 200, {}}, 0},
      {"a side over the limit", PictureSource{kMaxPictureSide + 1, 200, BandedSource(picture, log).read}, 0},
      {"a negative side", PictureSource{-300, 200, BandedSource(picture, log).read}, 0},
  };
  for (const auto& c : cases) {
    log.reads.clear();
    CanvasTexels canvas;
    EXPECT_FALSE(DrawPictureSourceOnCanvas(c.source, FitPhoto(300, 200), canvas.texels.data())) << c.name;
    EXPECT_EQ(std::count(canvas.texels.begin(), canvas.texels.end(), kOpaqueBlack),
              static_cast<std::ptrdiff_t>(kCanvasTexels))
        << c.name;
    EXPECT_EQ(log.reads.size(), c.reads) << c.name;
  }
}

TEST(DrawPictureSourceOnCanvas, TurnsEachOrientationUpright) {
  constexpr uint32_t A = 0x102030, B = 0x405060, C = 0x708090, D = 0xa0b0c0, E = 0xd0e0f0, F = 0x010203;
  const uint32_t stored[2][3] = {{A, B, C}, {D, E, F}};
  // The picture as it must show, top row first.
  const struct {
    int orientation;
    std::vector<std::vector<uint32_t>> upright;
  } cases[] = {
      {1, {{A, B, C}, {D, E, F}}},
      {2, {{C, B, A}, {F, E, D}}},  // mirrored left to right
      {3, {{F, E, D}, {C, B, A}}},  // half a turn
      {4, {{D, E, F}, {A, B, C}}},  // mirrored top to bottom
      {5, {{A, D}, {B, E}, {C, F}}},
      {6, {{D, A}, {E, B}, {F, C}}},  // stored a quarter turn anticlockwise
      {7, {{F, C}, {E, B}, {D, A}}},
      {8, {{C, F}, {B, E}, {A, D}}},  // stored a quarter turn clockwise
      {0, {{A, B, C}, {D, E, F}}},    // no such orientation: as stored
      {9, {{A, B, C}, {D, E, F}}},
  };
  // Copied at its own size, and shrunk from blocks of 2 x 2 pixels.
  for (const int scale : {1, 2}) {
    Picture picture(3 * scale, 2 * scale);
    for (int y = 0; y < 2 * scale; ++y)
      for (int x = 0; x < 3 * scale; ++x) picture.Set(x, y, stored[y / scale][x / scale]);
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << "orientation " << c.orientation << ", scale " << scale);
      BandLog log;
      PictureSource source = BandedSource(picture, log);
      source.orientation = c.orientation;
      const PhotoFit fit = FitPhoto(3, 2, c.orientation);
      ASSERT_EQ(fit.w, static_cast<int>(c.upright[0].size()));
      ASSERT_EQ(fit.h, static_cast<int>(c.upright.size()));
      CanvasTexels canvas;
      EXPECT_TRUE(DrawPictureSourceOnCanvas(source, fit, canvas.texels.data()));
      for (int v = 0; v < fit.h; ++v)
        for (int u = 0; u < fit.w; ++u)
          EXPECT_EQ(canvas.At(fit.x + u, fit.y + v), kOpaqueBlack | c.upright[v][u]) << "at " << u << ", " << v;
      EXPECT_EQ(std::count(canvas.texels.begin(), canvas.texels.end(), kOpaqueBlack),
                static_cast<std::ptrdiff_t>(kCanvasTexels) - 6);
    }
  }
}

TEST(DrawPictureSourceOnCanvas, UprightPhotosKeepEveryTexel) {
  // A random photo shrunk about 2.07 times each way, as a hash of its canvas:
  // an upright photo draws exactly the texels it always has.
  const int width = 4243, height = 2829;
  Picture picture(width, height);
  std::mt19937 random(height);
  for (uint8_t& b : picture.bytes) b = static_cast<uint8_t>(random());
  BandLog log;
  CanvasTexels canvas;
  ASSERT_TRUE(DrawPictureSourceOnCanvas(BandedSource(picture, log), FitPhoto(width, height), canvas.texels.data()));
  uint64_t hash = 14695981039346656037u;
  for (const uint32_t t : canvas.texels) hash = (hash ^ t) * 1099511628211u;
  EXPECT_EQ(hash, 0xbff57ffa3816e4abu);
}

}  // namespace
