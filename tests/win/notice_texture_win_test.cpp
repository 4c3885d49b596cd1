// The new-version notice against real GDI+ and OpenGL: built for given screen
// sizes with a test icon, uploaded and read back from the texture.
#include <windows.h>
#include <GL/gl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "drawing/photo_fit.h"
#include "settings/settings.h"
#include "slideshow/notice_texture_win.h"
#include "tests/win/texture_readback_win.h"

namespace {

constexpr Rgb kIconRed = {255, 0, 0};
constexpr Rgb kBlack = {0, 0, 0};
class NoticeTexture : public GlCanvasTest {
 protected:
  void SetUp() override {
    GlCanvasTest::SetUp();
    saved_ = settings;
    glGenTextures(1, &texture_);
  }
  void TearDown() override {
    glDeleteTextures(1, &texture_);
    settings = saved_;
  }

  Settings saved_;
  GLuint texture_ = 0;
};

TEST_F(NoticeTexture, IconAndTextSitAtTheCanvasCentreForAnyScreen) {
  // An opaque 240 x 200 icon, the size of the real one.
  GdiplusBitmap icon = GdiplusBitmap::Create(240, 200, PixelFormat32bppARGB);
  {
    GdiplusGraphics graphics = GdiplusGraphics::FromImage(icon.image());
    const GdiplusSolidBrush red = GdiplusSolidBrush::Create(0xffff0000);
    graphics.FillRectangle(red.brush(), 0, 0, 240, 200);
    ASSERT_EQ(graphics.status(), Gdiplus::Ok);
  }
  StoreNewver(L"1.1");
  settings.web_host.Assign(L"www.velmora.example");

  const struct {
    int screen_width, screen_height;
    bool with_icon;
    float slot_width, slot_height;
  } cases[] = {
      {1920, 1080, true, 1920.0f, 1080.0f},
      {2560, 1600, true, 2048.0f, 1600.0f},
      {1280, 720, false, 1280.0f, 720.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.screen_width << " x " << c.screen_height);
    const SlideSize size = BuildIntoSlot(
        [&](uint32_t* canvas) {
          return BuildNoticeTextureForScreen(canvas, c.screen_width, c.screen_height,
                                             c.with_icon ? icon.image() : nullptr);
        },
        texture_);

    EXPECT_EQ(size.width, c.slot_width);
    EXPECT_EQ(size.height, c.slot_height);
    const TexturePixels canvas = ReadTexture(texture_);
    // The icon's corners at (904, 774) and (1143, 973), black just outside them.
    const struct {
      int x, y;
      Rgb colour;
    } probes[] = {
        {904, 774, kIconRed}, {1143, 774, kIconRed}, {904, 973, kIconRed}, {1143, 973, kIconRed},
        {903, 774, kBlack},   {904, 773, kBlack},    {1144, 973, kBlack},  {1143, 974, kBlack},
    };
    for (const auto& p : probes) {
      const Rgb expected = c.with_icon ? p.colour : kBlack;
      const Rgb seen = canvas.AtCanvas(p.x, p.y);
      EXPECT_TRUE(Near(seen, expected, 24)) << "at (" << p.x << ", " << p.y << "): " << seen.r << ", " << seen.g
                                             << ", " << seen.b;
    }

    // Centred on the canvas, the first line 50 pixels below the screen's
    // centre line, never wrapped.
    ExpectTextAsDrawn(canvas, {"message",
                               L"New version 1.1 is available!\nFor upgrade, please, visit:\n\n"
                               L"www.velmora.example/screensavers",
                               35, {1024, 1074, 0, 0}, Gdiplus::StringAlignmentCenter, 0xff80d0e0});
  }
}

}  // namespace
