// Colours, texture read-back, the text probe and the GDI+ and GL fixture
// shared by the Wine tests of the slide textures.
#pragma once

#include <windows.h>
#include <GL/gl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "drawing/gdiplus_objects_win.h"
#include "drawing/gdiplus_session_win.h"
#include "drawing/overlay_win.h"
#include "drawing/photo_fit.h"
#include "slideshow/slide_textures_win.h"
#include "tests/support/picture_support_win.h"

struct Rgb {
  int r, g, b;
};

inline Rgb ToRgb(Gdiplus::ARGB colour) {
  return {static_cast<int>((colour >> 16) & 0xff), static_cast<int>((colour >> 8) & 0xff),
          static_cast<int>(colour & 0xff)};
}

// JPEG and the drawing libraries differ a little in their exact values.
inline bool Near(Rgb a, Rgb b, int tolerance = 40) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

inline std::string Show(Rgb c) {
  return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) + ")";
}

// The texture's level 0 as RGBA, first row first (the canvas's bottom row).
struct TexturePixels {
  std::vector<unsigned char> rgba;
  int width = 0, height = 0;

  // Canvas coordinates: y counts down from the canvas's top row.
  Rgb AtCanvas(int x, int y) const {
    const size_t i = (static_cast<size_t>(height - 1 - y) * width + x) * 4;
    return {rgba[i], rgba[i + 1], rgba[i + 2]};
  }
  int MaxChannel() const {
    int m = 0;
    for (size_t i = 0; i < rgba.size(); i += 4) m = std::max({m, int(rgba[i]), int(rgba[i + 1]), int(rgba[i + 2])});
    return m;
  }
};

inline TexturePixels ReadTexture(GLuint texture) {
  TexturePixels pixels;
  glBindTexture(GL_TEXTURE_2D, texture);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &pixels.width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &pixels.height);
  pixels.rgba.assign(static_cast<size_t>(pixels.width) * pixels.height * 4, 0);
  if (!pixels.rgba.empty()) glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.rgba.data());
  return pixels;
}

// A canvas drawn with GDI+, in the form ReadTexture gives its upload.
inline TexturePixels CanvasPixels(GdiplusBitmap& bitmap) {
  std::vector<uint32_t> texels(kCanvasTexels);
  CopyBitmapToCanvas(bitmap, texels.data());
  TexturePixels pixels{std::vector<unsigned char>(kCanvasTexels * 4), kTextureSize, kTextureSize};
  for (size_t i = 0; i < kCanvasTexels; ++i) {
    const Rgb c = ToRgb(texels[i]);
    pixels.rgba[i * 4] = static_cast<unsigned char>(c.r);
    pixels.rgba[i * 4 + 1] = static_cast<unsigned char>(c.g);
    pixels.rgba[i * 4 + 2] = static_cast<unsigned char>(c.b);
  }
  return pixels;
}

// One text of a slide as it should appear: the string, and the font size,
// layout rectangle, alignment and colour it is drawn with.
struct ExpectedText {
  const char* what;
  const wchar_t* text;
  float points;
  Gdiplus::RectF layout;
  Gdiplus::StringAlignment alignment;
  Gdiplus::ARGB colour;
};

// Draws the expected text alone on a black canvas, as the slide builders
// draw text, and expects the slide to show pixels of the text's colour
// exactly where that reference does, within a margin around it. A changed
// string (a typo, a missing sign), size, place or colour moves or removes
// most of them; a different background only changes the glyphs' rims.
inline void ExpectTextAsDrawn(const TexturePixels& slide, const ExpectedText& expected) {
  SCOPED_TRACE(expected.what);
  Canvas canvas = CreateCanvas();
  canvas.graphics.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
  canvas.graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
  GdiplusStringFormat format = GdiplusStringFormat::Create();
  format.SetAlignment(expected.alignment);
  const GdiplusSolidBrush brush = GdiplusSolidBrush::Create(expected.colour);
  canvas.graphics.DrawString(expected.text, CreateTextFont(expected.points), expected.layout, format,
                             brush.brush());
  ASSERT_EQ(canvas.graphics.status(), Gdiplus::Ok) << "no font to draw the reference with";
  const TexturePixels reference = CanvasPixels(canvas.bitmap);

  const Rgb colour = ToRgb(expected.colour);
  const auto is_text = [&](const TexturePixels& p, int x, int y) { return Near(p.AtCanvas(x, y), colour, 16); };
  int left = kTextureSize, right = -1, top = kTextureSize, bottom = -1, drawn = 0;
  for (int y = 0; y < kTextureSize; ++y) {
    for (int x = 0; x < kTextureSize; ++x) {
      if (!is_text(reference, x, y)) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
      ++drawn;
    }
  }
  ASSERT_GT(drawn, 100) << "the reference shows no text";
  constexpr int kMargin = 8;
  int differing = 0;
  for (int y = std::max(top - kMargin, 0); y <= std::min(bottom + kMargin, kTextureSize - 1); ++y)
    for (int x = std::max(left - kMargin, 0); x <= std::min(right + kMargin, kTextureSize - 1); ++x)
      differing += is_text(reference, x, y) != is_text(slide, x, y);
  EXPECT_LE(differing, drawn / 10) << drawn << " text pixels in (" << left << ", " << top << ") - (" << right << ", "
                                   << bottom << ")";
}

// Both halves of a slide build on the test's own thread, as the show runs
// them on two: `draw` fills a canvas and returns its fit, and the canvas is
// uploaded into the texture; returns the slot's picture size.
template <typename Draw>
SlideSize BuildIntoSlot(Draw draw, GLuint texture) {
  std::vector<uint32_t> canvas(kCanvasTexels);
  const PhotoFit fit = draw(canvas.data());
  return UploadSlideCanvas(canvas.data(), fit, texture);
}

// A drawn bitmap uploaded as an overlay that fills its whole slot.
inline void UploadBitmap(GdiplusBitmap& bitmap, GLuint texture) {
  BuildIntoSlot(
      [&](uint32_t* canvas) {
        CopyBitmapToCanvas(bitmap, canvas);
        return OverlayFit(kTextureSize, kTextureSize);
      },
      texture);
}

// GDI+ started and a GL context current on a hidden window, as on the
// saver's render thread, for the whole of each test suite.
class GlCanvasTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    gdiplus_ = new GdiplusSession();
    gl_ = new OffscreenGl();
  }
  static void TearDownTestSuite() {
    delete gl_;
    gl_ = nullptr;
    delete gdiplus_;
    gdiplus_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(gdiplus_->started());
    ASSERT_TRUE(gl_->ok());
  }

  static inline GdiplusSession* gdiplus_ = nullptr;
  static inline OffscreenGl* gl_ = nullptr;
};
