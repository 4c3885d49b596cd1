// Weather panels against real GDI+ and OpenGL: built from the published
// report into textures of a hidden window's GL context and read back, or
// drawn straight onto a canvas. The test icons (slide_textures_win_test.rc)
// are opaque blocks over the middle two fifths of an otherwise transparent
// 250 x 180 picture: red for the sunny day icon, green for its night icon.
#include <windows.h>
#include <GL/gl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "drawing/gdiplus_objects_win.h"
#include "drawing/photo_fit.h"
#include "drawing/resource_images_win.h"
#include "slideshow/slide_textures_win.h"
#include "tests/win/texture_readback_win.h"
#include "weather/weather_cache.h"
#include "weather/weather_panel.h"
#include "weather/weather_panel_win.h"

namespace {

constexpr Gdiplus::ARGB kDaySky = 0xff6698da, kTwilight = 0xff615b6a, kGradientBottom = 0xff001030,
                        kBlack = 0xff000000, kWarmYellow = 0xffe0d080, kCoolBlue = 0xff75a0c6,
                        kLightGrey = 0xffe0e0e0;
constexpr Gdiplus::ARGB kDayIcon = 0xffd02020, kNightIcon = 0xff20c040;
constexpr int32_t kSunny = 32;    // icons 2008 by day, 2004 by night: both embedded
constexpr int32_t kNoIconCode = 5;  // icon 2022: not embedded

struct Probe {
  const char* what;
  int x, y;
  Gdiplus::ARGB colour;
};

void ExpectProbes(const TexturePixels& texture, const std::vector<Probe>& probes, int tolerance) {
  for (const Probe& p : probes) {
    const Rgb seen = texture.AtCanvas(p.x, p.y);
    EXPECT_TRUE(Near(seen, ToRgb(p.colour), tolerance))
        << p.what << " at (" << p.x << ", " << p.y << "): " << Show(seen);
  }
}

WeatherReport SampleReport() {
  WeatherReport report;
  report.location_name.Assign(L"Hollin");
  report.temp_unit = L'C';
  report.current_temp = 12;
  report.current_text.Assign(L"Sunny");
  report.current_icon = kSunny;
  report.sunrise = {7, 30};
  report.sunset = {16, 30};
  report.last_updated.Assign(L"12/7/2010 12:05 PM");
  const wchar_t* dates[kForecastDays] = {L"Mon", L"Tue", L"Wed", L"Thu", L"Fri"};
  for (int i = 0; i < kForecastDays; ++i) {
    ForecastDay& day = report.days[i];
    day.date.Assign(dates[i]);
    day.day_text.Assign(L"Sunny");
    day.night_text.Assign(L"Clear");
    day.day_icon = kSunny;
    day.night_icon = kSunny;
  }
  return report;
}

PanelBounds ScreenPanel() {
  return OverlayPanelBounds(OverlaySlotSize(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
}

class WeatherPanels : public GlCanvasTest {
 protected:
  static void TearDownTestSuite() {
    ReleaseResourceImages();
    PublishWeatherReport(WeatherReport{});
    GlCanvasTest::TearDownTestSuite();
  }
  void SetUp() override {
    GlCanvasTest::SetUp();
    glGenTextures(2, textures_);
  }
  void TearDown() override { glDeleteTextures(2, textures_); }

  GLuint textures_[2] = {};
};

TEST_F(WeatherPanels, CurrentPanelSkyAndIconFollowTheObservationTime) {
  // Sunrise 7:30, sunset 16:30.
  const struct {
    const wchar_t* last_updated;
    Gdiplus::ARGB sky, icon;
  } cases[] = {
      {L"12/7/2010 12:05 PM", kDaySky, kDayIcon},
      {L"12/7/2010 5:00 PM", kTwilight, kNightIcon},
      {L"12/7/2010 6:30 AM", kTwilight, kNightIcon},
      {L"12/7/2010 11:00 PM", kBlack, kNightIcon},
  };
  const PanelBounds b = ScreenPanel();
  const PixelRect icon = LayOutCurrentPanel(b).icon;
  const int mid_y = (b.top + b.bottom) / 2;
  int slot = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.last_updated << " in slot " << slot);
    WeatherReport report = SampleReport();
    report.last_updated.Assign(c.last_updated);
    PublishWeatherReport(report);

    const SlideSize built = BuildIntoSlot(
        [&](uint32_t* canvas) { return BuildCurrentWeatherTexture(CurrentWeatherReport(), canvas); }, textures_[slot]);

    const OverlaySize size = OverlaySlotSize(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(built.width, size.width);
    EXPECT_EQ(built.height, size.height);
    const TexturePixels texture = ReadTexture(textures_[slot]);
    ASSERT_EQ(texture.width, kTextureSize);
    // The icon block spans 0.3 to 0.7 of the icon's width and height; probe
    // 8 pixels to either side of its edges, clear of the scaling's blur.
    const int block_left = icon.x + icon.width * 3 / 10, block_right = icon.x + icon.width * 7 / 10;
    const int block_top = icon.y + icon.height * 3 / 10, block_y = icon.y + icon.height * 6 / 10;
    std::vector<Probe> probes = {
        {"left edge", b.left + 3, mid_y, c.sky},
        {"right edge", b.right - 4, mid_y, c.sky},
        {"bottom left corner", b.left + 3, b.bottom - 4, c.sky},
        {"icon block", icon.x + icon.width / 2, block_y, c.icon},
        {"icon block's left end", block_left + 8, block_y, c.icon},
        {"icon block's right end", block_right - 8, block_y, c.icon},
        {"transparent icon, left", block_left - 8, block_y, c.sky},
        {"transparent icon, right", block_right + 8, block_y, c.sky},
        {"transparent icon, above", icon.x + icon.width / 2, block_top - 8, c.sky},
    };
    if (b.left >= 4) probes.push_back({"outside the panel", b.left - 4, mid_y, kBlack});
    if (b.top >= 4) probes.push_back({"above the panel", b.left + 3, b.top - 4, kBlack});
    ExpectProbes(texture, probes, 12);
    slot = 1 - slot;
  }
}

TEST_F(WeatherPanels, ForecastTextureHasFiveGradientColumnsWithIcons) {
  WeatherReport report = SampleReport();
  // Today's day icon is not available: the current conditions stand in.
  report.days[0].day_icon = kUnknownWeatherCode;
  report.days[2].day_icon = kNoIconCode;
  PublishWeatherReport(report);

  const SlideSize built = BuildIntoSlot(
      [](uint32_t* canvas) { return BuildForecastTexture(ForecastWeatherReport(), canvas); }, textures_[1]);

  const OverlaySize size = OverlaySlotSize(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(built.width, size.width);
  EXPECT_EQ(built.height, size.height);
  const TexturePixels texture = ReadTexture(textures_[1]);
  ASSERT_EQ(texture.width, kTextureSize);
  const ForecastPanelLayout layout = LayOutForecastPanel(report.days, ScreenPanel());
  for (int i = 0; i < kForecastDays; ++i) {
    SCOPED_TRACE(testing::Message() << "column " << i);
    const ForecastColumnLayout& column = layout.columns[i];
    const PixelRect& g = column.gradient;
    const PixelRect& day = column.day_icon;
    const PixelRect& night = column.night_icon;
    ExpectProbes(texture,
                 {
                     {"gradient top", g.x + 3, g.y + 2, kDaySky},
                     {"gradient bottom", g.x + 3, g.y + g.height - 3, kGradientBottom},
                     {"gap on the left", g.x - 3, g.y + 20, kBlack},
                     {"gap on the right", g.x + g.width + 2, g.y + 20, kBlack},
                     {"below the gradient", g.x + 3, g.y + g.height + 2, kBlack},
                     {"night icon", night.x + night.width / 2, night.y + night.height * 4 / 10, kNightIcon},
                 },
                 12);
    // Without its icon a column shows the gradient, which is the same along a
    // row. The icons' upper parts, where the texts below them do not reach.
    const int icon_y = day.y + day.height * 4 / 10;
    const Rgb day_icon = texture.AtCanvas(day.x + day.width / 2, icon_y);
    const Rgb expected = i == 2 ? texture.AtCanvas(g.x + 3, icon_y) : ToRgb(kDayIcon);
    EXPECT_TRUE(Near(day_icon, expected, 12)) << "day icon: " << Show(day_icon) << ", expected " << Show(expected);
  }
}

// A panel drawn straight onto a canvas, as the texture builders draw it.
template <typename Draw>
TexturePixels DrawnPanel(Draw draw) {
  Canvas canvas = CreateCanvas();
  canvas.graphics.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
  canvas.graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
  draw(canvas.graphics);
  return CanvasPixels(canvas.bitmap);
}

// At night, with a sunrise minute below ten.
WeatherReport TextReport() {
  WeatherReport report = SampleReport();
  report.sunrise = {7, 5};
  report.last_updated.Assign(L"12/7/2010 11:00 PM");
  return report;
}
constexpr const wchar_t* kSunLine = L"Sunrise: 7:05, sunset: 16:30\nLast updated: 12/7/2010 11:00 PM";

TEST_F(WeatherPanels, CurrentPanelTextsSayWhatTheReportHoldsWhereTheLayoutPutsThem) {
  // At night and without an icon every text lies on black. A 1250 x 560
  // panel: the temperature over the icon at (+375, +160), 500 x 120.
  WeatherReport report = TextReport();
  report.current_icon = kNoIconCode;
  const TexturePixels slide =
      DrawnPanel([&](GdiplusGraphics& g) { DrawCurrentWeatherPanel(g, report, 100, 300, 1350, 860); });

  const Gdiplus::StringAlignment centred = Gdiplus::StringAlignmentCenter;
  ExpectTextAsDrawn(slide, {"title", L"Weather in Hollin", 35, {100, 310, 1250, 560}, centred, kLightGrey});
  ExpectTextAsDrawn(slide, {"temperature", L"12\u00b0 C", 75, {475, 460, 500, 120}, Gdiplus::StringAlignmentFar,
                            kLightGrey});
  ExpectTextAsDrawn(slide, {"sun line", kSunLine, 20, {100, 790, 1250, 560}, centred, kLightGrey});
}

TEST_F(WeatherPanels, ForecastTextsSayWhatTheReportHoldsWhereTheLayoutPutsThem) {
  // A 1600 x 910 panel: columns 320 wide, the highs 375 below its top.
  WeatherReport report = TextReport();
  report.days[1].high = -3;
  const TexturePixels slide =
      DrawnPanel([&](GdiplusGraphics& g) { DrawForecastPanel(g, report, 150, 400, 1750, 1310); });

  const Gdiplus::StringAlignment centred = Gdiplus::StringAlignmentCenter;
  ExpectTextAsDrawn(slide, {"title", L"Weather in Hollin", 35, {150, 410, 1600, 910}, centred, kLightGrey});
  ExpectTextAsDrawn(slide, {"second day's high", L"-3\u00b0 C", 35, {470, 775, 320, 910}, centred, kWarmYellow});
  ExpectTextAsDrawn(slide, {"sun line", kSunLine, 20, {150, 1240, 1600, 910}, centred, kLightGrey});
}

// The middle of the pixels near colour in column x between y0 and y1; -1 when none is.
int FindCurve(const TexturePixels& canvas, int x, int y0, int y1, Gdiplus::ARGB colour) {
  std::vector<int> found;
  for (int y = y0; y <= y1; ++y)
    if (Near(canvas.AtCanvas(x, y), ToRgb(colour), 30)) found.push_back(y);
  return found.empty() ? -1 : (found.front() + found.back()) / 2;
}

TEST_F(WeatherPanels, ForecastCurvesPassThroughTheColumnCentres) {
  // A 1600 x 910 panel: the warmest day at 445 below its top, the coldest
  // at 515, five pixels a degree.
  const struct {
    int32_t high, low;
    int high_y, low_y;
  } days[kForecastDays] = {{20, 10, 445, 495}, {18, 8, 455, 505}, {13, 6, 480, 515}, {17, 7, 460, 510},
                           {19, 9, 450, 500}};
  WeatherReport report = SampleReport();
  for (int i = 0; i < kForecastDays; ++i) {
    report.days[i].high = days[i].high;
    report.days[i].low = days[i].low;
  }
  const int left = 150, top = 400;
  const TexturePixels canvas =
      DrawnPanel([&](GdiplusGraphics& g) { DrawForecastPanel(g, report, left, top, left + 1600, top + 910); });

  for (int i = 0; i < kForecastDays; ++i) {
    SCOPED_TRACE(testing::Message() << "day " << i);
    // Below the highs' text, down to the night icons' blocks.
    const int x = left + i * 320 + 160, y0 = top + 435, y1 = top + 560;
    EXPECT_NEAR(FindCurve(canvas, x, y0, y1, kWarmYellow), top + days[i].high_y, 2);
    EXPECT_NEAR(FindCurve(canvas, x, y0, y1, kCoolBlue), top + days[i].low_y, 2);
  }
}

}  // namespace
