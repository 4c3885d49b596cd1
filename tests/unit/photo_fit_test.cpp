#include "slideshow/photo_fit.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <type_traits>

#include "slideshow/slide_sequencer.h"

// The canvas and the sequencer's slide geometry share one texture side of one type.
static_assert(std::is_same_v<decltype(kTextureSize), const int>);

namespace {

struct FitCase {
  uint32_t pixel_width, pixel_height;
  float width, height;
  int x, y, w, h;
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
  };
  for (const FitCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.pixel_width << " x " << c.pixel_height);
    const PhotoFit fit = FitPhoto(c.pixel_width, c.pixel_height);
    EXPECT_FLOAT_EQ(fit.width, c.width);
    EXPECT_FLOAT_EQ(fit.height, c.height);
    EXPECT_EQ(fit.x, c.x);
    EXPECT_EQ(fit.y, c.y);
    EXPECT_EQ(fit.w, c.w);
    EXPECT_EQ(fit.h, c.h);
  }
}

TEST(PhotoFit, KeepsTheUnroundedHeight) {
  // The slot must keep 1365.33, not the drawn 1365: the sequencer's clip
  // planes are computed from it.
  const PhotoFit fit = FitPhoto(3000, 2000);
  EXPECT_GT(fit.height, 1365.3f);
  EXPECT_LT(fit.height, 1365.4f);
}

}  // namespace
