#include "drawing/gdiplus_objects_win.h"

#include "drawing/photo_fit.h"

namespace flat = Gdiplus::DllExports;

GdiplusImage GdiplusImage::FromStream(IStream* stream) {
  Gdiplus::GpImage* image = nullptr;
  if (stream == nullptr) return GdiplusImage(nullptr, Gdiplus::InvalidParameter);
  const Gdiplus::Status status = flat::GdipLoadImageFromStream(stream, &image);
  return GdiplusImage(status == Gdiplus::Ok ? image : nullptr, status);
}

uint32_t GdiplusImage::Width() {
  UINT width = 0;
  if (Record(flat::GdipGetImageWidth(get(), &width)) != Gdiplus::Ok) return 0;
  return width;
}

uint32_t GdiplusImage::Height() {
  UINT height = 0;
  if (Record(flat::GdipGetImageHeight(get(), &height)) != Gdiplus::Ok) return 0;
  return height;
}

GdiplusBitmap GdiplusBitmap::Create(int width, int height, Gdiplus::PixelFormat format) {
  Gdiplus::GpBitmap* bitmap = nullptr;
  const Gdiplus::Status status = flat::GdipCreateBitmapFromScan0(width, height, 0, format, nullptr, &bitmap);
  return GdiplusBitmap(status == Gdiplus::Ok ? bitmap : nullptr, status);
}

uint32_t GdiplusBitmap::Width() {
  UINT width = 0;
  if (Record(flat::GdipGetImageWidth(get(), &width)) != Gdiplus::Ok) return 0;
  return width;
}

uint32_t GdiplusBitmap::Height() {
  UINT height = 0;
  if (Record(flat::GdipGetImageHeight(get(), &height)) != Gdiplus::Ok) return 0;
  return height;
}

Gdiplus::Status GdiplusBitmap::LockBits(Gdiplus::PixelFormat format, Gdiplus::BitmapData& data) {
  const Gdiplus::Rect whole(0, 0, static_cast<INT>(Width()), static_cast<INT>(Height()));
  return Record(flat::GdipBitmapLockBits(get(), &whole, Gdiplus::ImageLockModeRead, format, &data));
}

void GdiplusBitmap::UnlockBits(Gdiplus::BitmapData& data) { Record(flat::GdipBitmapUnlockBits(get(), &data)); }

GdiplusBitmapLock::GdiplusBitmapLock(GdiplusBitmap& bitmap, Gdiplus::PixelFormat format) : bitmap_(bitmap) {
  locked_ = bitmap_.LockBits(format, data_) == Gdiplus::Ok;
}

GdiplusBitmapLock::~GdiplusBitmapLock() {
  if (locked_) bitmap_.UnlockBits(data_);
}

GdiplusSolidBrush GdiplusSolidBrush::Create(Gdiplus::ARGB colour) {
  Gdiplus::GpSolidFill* brush = nullptr;
  const Gdiplus::Status status = flat::GdipCreateSolidFill(colour, &brush);
  return GdiplusSolidBrush(status == Gdiplus::Ok ? brush : nullptr, status);
}

GdiplusLinearGradient GdiplusLinearGradient::Create(const Gdiplus::RectF& rect, Gdiplus::ARGB from,
                                                    Gdiplus::ARGB to, Gdiplus::LinearGradientMode mode,
                                                    Gdiplus::WrapMode wrap) {
  Gdiplus::GpLineGradient* brush = nullptr;
  const Gdiplus::Status status = flat::GdipCreateLineBrushFromRect(&rect, from, to, mode, wrap, &brush);
  return GdiplusLinearGradient(status == Gdiplus::Ok ? brush : nullptr, status);
}

GdiplusPen GdiplusPen::Create(Gdiplus::ARGB colour, float width) {
  Gdiplus::GpPen* pen = nullptr;
  const Gdiplus::Status status = flat::GdipCreatePen1(colour, width, Gdiplus::UnitWorld, &pen);
  return GdiplusPen(status == Gdiplus::Ok ? pen : nullptr, status);
}

GdiplusFontFamily GdiplusFontFamily::FromName(const wchar_t* name) {
  Gdiplus::GpFontFamily* family = nullptr;
  const Gdiplus::Status status = flat::GdipCreateFontFamilyFromName(name, nullptr, &family);
  return GdiplusFontFamily(status == Gdiplus::Ok ? family : nullptr, status);
}

GdiplusFontFamily GdiplusFontFamily::GenericSansSerif() {
  // Fails with FontFamilyNotFound on a system without its standard fonts;
  // the caller then gets an empty family and draws no text.
  Gdiplus::GpFontFamily* family = nullptr;
  const Gdiplus::Status status = flat::GdipGetGenericFontFamilySansSerif(&family);
  return GdiplusFontFamily(status == Gdiplus::Ok ? family : nullptr, status);
}

GdiplusFont GdiplusFont::Create(const GdiplusFontFamily& family, float size, int style, Gdiplus::Unit unit) {
  Gdiplus::GpFont* font = nullptr;
  if (!family.valid()) return GdiplusFont(nullptr, Gdiplus::InvalidParameter);
  const Gdiplus::Status status = flat::GdipCreateFont(family.get(), size, style, unit, &font);
  return GdiplusFont(status == Gdiplus::Ok ? font : nullptr, status);
}

GdiplusStringFormat GdiplusStringFormat::Create() {
  Gdiplus::GpStringFormat* format = nullptr;
  const Gdiplus::Status status = flat::GdipCreateStringFormat(0, LANG_NEUTRAL, &format);
  return GdiplusStringFormat(status == Gdiplus::Ok ? format : nullptr, status);
}

void GdiplusStringFormat::SetAlignment(Gdiplus::StringAlignment alignment) {
  Record(flat::GdipSetStringFormatAlign(get(), alignment));
}

GdiplusGraphics GdiplusGraphics::FromImage(Gdiplus::GpImage* image) {
  Gdiplus::GpGraphics* graphics = nullptr;
  if (image == nullptr) return GdiplusGraphics(nullptr, Gdiplus::InvalidParameter);
  const Gdiplus::Status status = flat::GdipGetImageGraphicsContext(image, &graphics);
  return GdiplusGraphics(status == Gdiplus::Ok ? graphics : nullptr, status);
}

void GdiplusGraphics::SetSmoothingMode(Gdiplus::SmoothingMode mode) {
  Record(flat::GdipSetSmoothingMode(get(), mode));
}

void GdiplusGraphics::SetTextRenderingHint(Gdiplus::TextRenderingHint hint) {
  Record(flat::GdipSetTextRenderingHint(get(), hint));
}

void GdiplusGraphics::FillRectangle(Gdiplus::GpBrush* brush, int x, int y, int width, int height) {
  Record(flat::GdipFillRectangleI(get(), brush, x, y, width, height));
}

void GdiplusGraphics::FillRectangle(Gdiplus::GpBrush* brush, float x, float y, float width, float height) {
  Record(flat::GdipFillRectangle(get(), brush, x, y, width, height));
}

void GdiplusGraphics::DrawImage(Gdiplus::GpImage* image, float x, float y) {
  Record(flat::GdipDrawImage(get(), image, x, y));
}

void GdiplusGraphics::DrawImageRect(Gdiplus::GpImage* image, int x, int y, int width, int height) {
  Record(flat::GdipDrawImageRectI(get(), image, x, y, width, height));
}

void GdiplusGraphics::DrawImageRect(Gdiplus::GpImage* image, float x, float y, float width, float height) {
  Record(flat::GdipDrawImageRect(get(), image, x, y, width, height));
}

void GdiplusGraphics::DrawCurve(const GdiplusPen& pen, const Gdiplus::PointF* points, int count) {
  Record(flat::GdipDrawCurve(get(), pen.get(), points, count));
}

void GdiplusGraphics::DrawString(const wchar_t* text, const GdiplusFont& font, const Gdiplus::RectF& layout,
                                 const GdiplusStringFormat& format, Gdiplus::GpBrush* brush) {
  // A missing font is the normal case on a system without the family: the
  // call fails with InvalidParameter and the text is left out.
  Record(flat::GdipDrawString(get(), text, -1, font.get(), &layout, format.get(), brush));
}

Canvas CreateCanvas() {
  Canvas canvas;
  canvas.bitmap = GdiplusBitmap::Create(kTextureSize, kTextureSize, PixelFormat24bppRGB);
  canvas.graphics = GdiplusGraphics::FromImage(canvas.bitmap.image());
  const GdiplusSolidBrush black = GdiplusSolidBrush::Create(0xff000000);
  canvas.graphics.FillRectangle(black.brush(), 0, 0, kTextureSize, kTextureSize);
  return canvas;
}
