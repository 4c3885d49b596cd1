// Colours, texture read-back and the GDI+ and GL fixture shared by the Wine
// tests of the slide textures.
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

#include "app/gdiplus_session_win.h"
#include "app/gl_context_win.h"
#include "slideshow/gdiplus_objects_win.h"
#include "slideshow/photo_fit.h"
#include "slideshow/slide_textures_win.h"

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

// Both halves of a slide build on the test's own thread, as the show runs
// them on two: `draw` fills a canvas and returns its fit, and the canvas is
// uploaded into the slot.
template <typename Draw>
void BuildIntoSlot(Draw draw, GLuint texture, int slot) {
  std::vector<uint32_t> canvas(kCanvasTexels);
  const PhotoFit fit = draw(canvas.data());
  UploadSlideCanvas(canvas.data(), fit, texture, slot);
}

// A drawn bitmap uploaded as an overlay that fills its whole slot.
inline void UploadBitmap(GdiplusBitmap& bitmap, GLuint texture, int slot) {
  BuildIntoSlot(
      [&](uint32_t* canvas) {
        CopyBitmapToCanvas(bitmap, canvas);
        return OverlayFit(kTextureSize, kTextureSize);
      },
      texture, slot);
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
