#include "slideshow/notice_texture_win.h"

#include <algorithm>
#include <string>

#include "drawing/overlay_win.h"
#include "drawing/photo_fit.h"
#include "drawing/resource_images_win.h"
#include "res/resource.h"
#include "settings/home_page.h"
#include "settings/settings.h"

namespace {

constexpr float kCanvas = static_cast<float>(kTextureSize);
constexpr float kGap = 50.0f;  // between the screen's centre line and the icon above, the text below
constexpr float kTextSize = 35.0f;
constexpr Gdiplus::ARGB kTextColour = 0xff80d0e0;

}  // namespace

PhotoFit BuildNoticeTextureForScreen(uint32_t* texels, int screen_width, int screen_height, Gdiplus::GpImage* icon) {
  Canvas canvas = CreateCanvas();
  canvas.graphics.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
  canvas.graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);

  const float width = std::clamp(static_cast<float>(screen_width), 0.0f, kCanvas);
  const float height = std::clamp(static_cast<float>(screen_height), 0.0f, kCanvas);
  // The screen's area lies centred on the canvas.
  const float ox = (kCanvas - width) * 0.5f;
  const float oy = (kCanvas - height) * 0.5f;

  const std::wstring message = NewVersionNotice(NoticePlace::Slide, CurrentNewver().View(), settings.web_host.View());

  UINT icon_width = 0, icon_height = 0;
  if (icon != nullptr && Gdiplus::DllExports::GdipGetImageWidth(icon, &icon_width) == Gdiplus::Ok &&
      Gdiplus::DllExports::GdipGetImageHeight(icon, &icon_height) == Gdiplus::Ok) {
    canvas.graphics.DrawImage(icon, ox + (width - static_cast<float>(icon_width)) * 0.5f,
                              oy + height * 0.5f - static_cast<float>(icon_height) - kGap);
  }

  const GdiplusFont font = CreateTextFont(kTextSize);
  const GdiplusSolidBrush brush = GdiplusSolidBrush::Create(kTextColour);
  GdiplusStringFormat format = GdiplusStringFormat::Create();
  format.SetAlignment(Gdiplus::StringAlignmentCenter);
  // An empty layout rectangle: the lines are centred on x and never wrapped.
  canvas.graphics.DrawString(message.c_str(), font,
                             Gdiplus::RectF(kCanvas * 0.5f, oy + height * 0.5f + kGap, 0.0f, 0.0f), format,
                             brush.brush());
  CopyBitmapToCanvas(canvas.bitmap, texels);
  return OverlayFit(width, height);
}

PhotoFit BuildNoticeTexture(uint32_t* canvas) {
  GdiplusImage* icon = GetResourceImage(IDP_WARNING_ICON);
  return BuildNoticeTextureForScreen(canvas, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                     icon != nullptr ? icon->get() : nullptr);
}
