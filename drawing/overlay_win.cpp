#include "drawing/overlay_win.h"

#include <cstdarg>
#include <cwchar>

void CopyBitmapToCanvas(GdiplusBitmap& bitmap, uint32_t* canvas) {
  // The bitmap is 24-bit RGB, so the lock hands out its own pixels; they are
  // copied once, straight into the canvas in the texture's row order.
  const GdiplusBitmapLock pixels(bitmap, PixelFormat24bppRGB);
  const Gdiplus::BitmapData& d = pixels.data();
  const bool whole = pixels.locked() && d.Width == kTextureSize && d.Height == kTextureSize;
  // Without pixels the texture would draw the previous slide or, with no
  // image at all, a white square; black is what an undecodable photo shows too.
  const PictureView picture{whole ? static_cast<const uint8_t*>(d.Scan0) : nullptr, kTextureSize, kTextureSize,
                            d.Stride};
  DrawPictureOnCanvas(picture, FitPhoto(kTextureSize, kTextureSize), canvas);
}

PhotoFit OverlayFit(float slot_width, float slot_height) {
  PhotoFit fit = FitPhoto(kTextureSize, kTextureSize);
  fit.width = slot_width;
  fit.height = slot_height;
  return fit;
}

GdiplusFont CreateTextFont(float size) {
  GdiplusFontFamily family = GdiplusFontFamily::FromName(L"Georgia");
  if (!family.valid()) family = GdiplusFontFamily::GenericSansSerif();
  GdiplusFont font = GdiplusFont::Create(family, size, Gdiplus::FontStyleRegular, Gdiplus::UnitPoint);
  if (!font.valid()) {
    font = GdiplusFont::Create(GdiplusFontFamily::GenericSansSerif(), size, Gdiplus::FontStyleRegular,
                               Gdiplus::UnitPoint);
  }
  return font;
}

void FormatText(wchar_t (&buffer)[kTextBufferSize], const wchar_t* format, ...) {
  // The runtime's own formatter: %s takes a wide string, as every caller's
  // format expects. It writes at most the count given and leaves the
  // terminator out when the output is longer, so the last place is set here.
  va_list args;
  va_start(args, format);
  _vsnwprintf(buffer, kTextBufferSize - 1, format, args);
  va_end(args);
  buffer[kTextBufferSize - 1] = L'\0';
}
