#include "weather/weather_panel_win.h"

#include "drawing/overlay_win.h"
#include "drawing/resource_images_win.h"
#include "weather/weather_panel.h"

namespace {

constexpr Gdiplus::ARGB kLightGrey = 0xffe0e0e0;
constexpr Gdiplus::ARGB kDaySky = 0xff6698da;
constexpr Gdiplus::ARGB kTwilight = 0xff615b6a;
constexpr Gdiplus::ARGB kGradientBottom = 0xff001030;
constexpr Gdiplus::ARGB kWhite = 0xffffffff;
constexpr Gdiplus::ARGB kWarmYellow = 0xffe0d080;
constexpr Gdiplus::ARGB kCoolBlue = 0xff75a0c6;
constexpr Gdiplus::ARGB kShadowGrey = 0xff404040;
constexpr float kCurveWidth = 5.0f;

Gdiplus::RectF ToRectF(const LayoutRect& r) { return Gdiplus::RectF(r.x, r.y, r.width, r.height); }

GdiplusStringFormat AlignedFormat(Gdiplus::StringAlignment alignment) {
  GdiplusStringFormat format = GdiplusStringFormat::Create();
  format.SetAlignment(alignment);
  return format;
}

// An icon that is not embedded, or did not decode, is left out.
void DrawIcon(GdiplusGraphics& graphics, int id, const PixelRect& r) {
  GdiplusImage* image = GetResourceImage(id);
  if (image != nullptr) graphics.DrawImageRect(image->get(), r.x, r.y, r.width, r.height);
}

void FormatTemperature(wchar_t (&text)[kTextBufferSize], int32_t degrees, wchar_t unit) {
  FormatText(text, L"%d\u00b0 %c", degrees, unit);
}

void DrawTitle(GdiplusGraphics& graphics, const WeatherReport& report, const LayoutRect& rect,
               const GdiplusStringFormat& centred, const GdiplusSolidBrush& grey) {
  wchar_t text[kTextBufferSize];
  FormatText(text, L"Weather in %s", report.location_name.c_str());
  graphics.DrawString(text, CreateTextFont(35), ToRectF(rect), centred, grey.brush());
}

void DrawSunLine(GdiplusGraphics& graphics, const WeatherReport& report, const LayoutRect& rect,
                 const GdiplusStringFormat& centred, const GdiplusSolidBrush& grey) {
  wchar_t text[kTextBufferSize];
  FormatText(text, L"Sunrise: %d:%02d, sunset: %d:%02d\nLast updated: %s", report.sunrise.hour,
             report.sunrise.minute, report.sunset.hour, report.sunset.minute, report.last_updated.c_str());
  graphics.DrawString(text, CreateTextFont(20), ToRectF(rect), centred, grey.brush());
}

void DrawCurve(GdiplusGraphics& graphics, const CurvePoint (&points)[kForecastDays], int offset,
               const GdiplusPen& pen) {
  Gdiplus::PointF spline[kForecastDays];
  for (int i = 0; i < kForecastDays; ++i) {
    spline[i] = Gdiplus::PointF(static_cast<float>(points[i].x + offset),
                                static_cast<float>(points[i].y + offset));
  }
  graphics.DrawCurve(pen, spline, kForecastDays);
}

using PanelDrawer = void (*)(GdiplusGraphics&, const WeatherReport&, int, int, int, int);

PhotoFit BuildPanelTexture(PanelDrawer draw, const WeatherReport& report, uint32_t* texels) {
  Canvas canvas = CreateCanvas();
  canvas.graphics.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
  canvas.graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
  const OverlaySize size = OverlaySlotSize(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  const PanelBounds b = OverlayPanelBounds(size);
  draw(canvas.graphics, report, b.left, b.top, b.right, b.bottom);
  CopyBitmapToCanvas(canvas.bitmap, texels);
  return OverlayFit(size.width, size.height);
}

}  // namespace

PhotoFit BuildCurrentWeatherTexture(const WeatherReport& report, uint32_t* canvas) {
  return BuildPanelTexture(DrawCurrentWeatherPanel, report, canvas);
}

PhotoFit BuildForecastTexture(const WeatherReport& report, uint32_t* canvas) {
  return BuildPanelTexture(DrawForecastPanel, report, canvas);
}

void DrawCurrentWeatherPanel(GdiplusGraphics& graphics, const WeatherReport& report, int left, int top, int right,
                             int bottom) {
  const CurrentPanelLayout layout = LayOutCurrentPanel({left, top, right, bottom});
  const SkyPhase phase = SkyPhaseAt(ObservationMinutes(report.last_updated.View()), report.sunrise, report.sunset);
  // At night the black canvas is the sky.
  if (phase != SkyPhase::Night) {
    const GdiplusSolidBrush sky = GdiplusSolidBrush::Create(phase == SkyPhase::Day ? kDaySky : kTwilight);
    const PixelRect& r = layout.background;
    graphics.FillRectangle(sky.brush(), r.x, r.y, r.width, r.height);
  }
  const WeatherIcons icons = IconsForCode(report.current_icon);
  DrawIcon(graphics, phase == SkyPhase::Day ? icons.day : icons.night, layout.icon);

  const GdiplusSolidBrush grey = GdiplusSolidBrush::Create(kLightGrey);
  const GdiplusStringFormat centred = AlignedFormat(Gdiplus::StringAlignmentCenter);
  DrawTitle(graphics, report, layout.title, centred, grey);
  const GdiplusFont large = CreateTextFont(75);
  wchar_t text[kTextBufferSize];
  FormatTemperature(text, report.current_temp, report.temp_unit);
  graphics.DrawString(text, large, ToRectF(layout.temperature), AlignedFormat(Gdiplus::StringAlignmentFar),
                      grey.brush());
  graphics.DrawString(report.current_text.c_str(), large, ToRectF(layout.condition), centred, grey.brush());
  DrawSunLine(graphics, report, layout.sun_line, centred, grey);
}

void DrawForecastPanel(GdiplusGraphics& graphics, const WeatherReport& report, int left, int top, int right,
                       int bottom) {
  const ForecastPanelLayout layout = LayOutForecastPanel(report.days, {left, top, right, bottom});
  const GdiplusSolidBrush grey = GdiplusSolidBrush::Create(kLightGrey);
  const GdiplusSolidBrush white = GdiplusSolidBrush::Create(kWhite);
  const GdiplusSolidBrush yellow = GdiplusSolidBrush::Create(kWarmYellow);
  const GdiplusSolidBrush blue = GdiplusSolidBrush::Create(kCoolBlue);
  const GdiplusStringFormat centred = AlignedFormat(Gdiplus::StringAlignmentCenter);
  DrawTitle(graphics, report, layout.title, centred, grey);

  wchar_t text[kTextBufferSize];
  for (int i = 0; i < kForecastDays; ++i) {
    const ForecastDay& day = report.days[i];
    const ForecastColumnLayout& column = layout.columns[i];
    const GdiplusFont small = CreateTextFont(20);
    const GdiplusFont medium = CreateTextFont(35);
    const PixelRect& g = column.gradient;
    const GdiplusLinearGradient sky = GdiplusLinearGradient::Create(
        Gdiplus::RectF(static_cast<float>(g.x), static_cast<float>(g.y), static_cast<float>(g.width),
                       static_cast<float>(g.height)),
        kDaySky, kGradientBottom, Gdiplus::LinearGradientModeVertical, Gdiplus::WrapModeTile);
    graphics.FillRectangle(sky.brush(), g.x, g.y, g.width, g.height);

    graphics.DrawString(day.date.c_str(), medium, ToRectF(column.date), centred, white.brush());
    DrawIcon(graphics, IconsForCode(day.day_icon).day, column.day_icon);
    graphics.DrawString(day.day_text.c_str(), small, ToRectF(column.day_text), centred, yellow.brush());
    FormatTemperature(text, day.high, report.temp_unit);
    graphics.DrawString(text, medium, ToRectF(column.high), centred, yellow.brush());

    DrawIcon(graphics, IconsForCode(day.night_icon).night, column.night_icon);
    graphics.DrawString(day.night_text.c_str(), small, ToRectF(column.night_text), centred, blue.brush());
    FormatTemperature(text, day.low, report.temp_unit);
    graphics.DrawString(text, medium, ToRectF(column.low), centred, blue.brush());
  }

  // Both shadows first, so neither covers a curve.
  const GdiplusPen shadow = GdiplusPen::Create(kShadowGrey, kCurveWidth);
  const GdiplusPen warm = GdiplusPen::Create(kWarmYellow, kCurveWidth);
  const GdiplusPen cool = GdiplusPen::Create(kCoolBlue, kCurveWidth);
  DrawCurve(graphics, layout.highs, kCurveShadowOffset, shadow);
  DrawCurve(graphics, layout.lows, kCurveShadowOffset, shadow);
  DrawCurve(graphics, layout.highs, 0, warm);
  DrawCurve(graphics, layout.lows, 0, cool);

  DrawSunLine(graphics, report, layout.sun_line, centred, grey);
}
