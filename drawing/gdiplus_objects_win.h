// Move-only owners for GDI+ objects, over the flat API.
//
// Each owner keeps its native handle and the status of its last failed call.
// A failure is recorded and never acted on: a slide build always runs to its
// end and simply lacks what failed to draw. Handles may be empty (creation
// failed); every call then fails harmlessly with InvalidParameter.
//
// Every owner must be destroyed before GdiplusShutdown: builds keep theirs on
// the stack, and the resource image cache is emptied by ReleaseResourceImages
// before the GDI+ session ends.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdint>
#include <utility>

namespace gdiplus_detail {

// Traits: Native (the handle type) and Release (frees a non-null handle).
template <typename Traits>
class Object {
 public:
  using Native = typename Traits::Native;

  Object() = default;
  explicit Object(Native* handle, Gdiplus::Status status = Gdiplus::Ok) : handle_(handle) { Record(status); }
  Object(Object&& other) noexcept
      : handle_(std::exchange(other.handle_, nullptr)), status_(std::exchange(other.status_, Gdiplus::Ok)) {}
  Object& operator=(Object&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, nullptr);
      status_ = std::exchange(other.status_, Gdiplus::Ok);
    }
    return *this;
  }
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  ~Object() { Reset(); }

  [[nodiscard]] Native* get() const { return handle_; }
  [[nodiscard]] bool valid() const { return handle_ != nullptr; }
  // Ok until a call fails; then the status of the most recent failure.
  [[nodiscard]] Gdiplus::Status status() const { return status_; }

 protected:
  Gdiplus::Status Record(Gdiplus::Status status) {
    if (status != Gdiplus::Ok) status_ = status;
    return status;
  }

 private:
  void Reset() {
    if (handle_ != nullptr) Traits::Release(handle_);
    handle_ = nullptr;
  }

  Native* handle_ = nullptr;
  Gdiplus::Status status_ = Gdiplus::Ok;
};

struct ImageTraits {
  using Native = Gdiplus::GpImage;
  static void Release(Native* h) { Gdiplus::DllExports::GdipDisposeImage(h); }
};
struct BitmapTraits {
  using Native = Gdiplus::GpBitmap;
  static void Release(Native* h) { Gdiplus::DllExports::GdipDisposeImage(h); }
};
struct GraphicsTraits {
  using Native = Gdiplus::GpGraphics;
  static void Release(Native* h) { Gdiplus::DllExports::GdipDeleteGraphics(h); }
};
struct SolidBrushTraits {
  using Native = Gdiplus::GpSolidFill;
  static void Release(Native* h) { Gdiplus::DllExports::GdipDeleteBrush(h); }
};
struct LinearGradientTraits {
  using Native = Gdiplus::GpLineGradient;
  static void Release(Native* h) { Gdiplus::DllExports::GdipDeleteBrush(h); }
};
struct PenTraits {
  using Native = Gdiplus::GpPen;
  static void Release(Native* h) { Gdiplus::DllExports::GdipDeletePen(h); }
};
struct FontFamilyTraits {
  using Native = Gdiplus::GpFontFamily;
  static void Release(Native* h) { Gdiplus::DllExports::GdipDeleteFontFamily(h); }
};
struct FontTraits {
  using Native = Gdiplus::GpFont;
  static void Release(Native* h) { Gdiplus::DllExports::GdipDeleteFont(h); }
};
struct StringFormatTraits {
  using Native = Gdiplus::GpStringFormat;
  static void Release(Native* h) { Gdiplus::DllExports::GdipDeleteStringFormat(h); }
};

}  // namespace gdiplus_detail

class GdiplusImage : public gdiplus_detail::Object<gdiplus_detail::ImageTraits> {
 public:
  using Object::Object;
  // GDI+ may read the stream lazily: it must outlive the image.
  static GdiplusImage FromStream(IStream* stream);
  // Pixel size; 0 for an empty handle.
  uint32_t Width();
  uint32_t Height();
};

class GdiplusBitmap : public gdiplus_detail::Object<gdiplus_detail::BitmapTraits> {
 public:
  using Object::Object;
  static GdiplusBitmap Create(int width, int height, Gdiplus::PixelFormat format);
  Gdiplus::GpImage* image() const { return get(); }
  // Pixel size; 0 for an empty handle.
  uint32_t Width();
  uint32_t Height();

 private:
  friend class GdiplusBitmapLock;
  Gdiplus::Status LockBits(Gdiplus::PixelFormat format, Gdiplus::BitmapData& data);
  void UnlockBits(Gdiplus::BitmapData& data);
};

// The whole of a bitmap's pixels locked for reading, unlocked when the owner
// goes. `locked()` is false when the lock failed (the bitmap records why).
class GdiplusBitmapLock {
 public:
  // GDI+'s own pixels when they are in `format`, else a converted copy; rows
  // top-down at data().Stride bytes apart.
  GdiplusBitmapLock(GdiplusBitmap& bitmap, Gdiplus::PixelFormat format);
  ~GdiplusBitmapLock();
  GdiplusBitmapLock(const GdiplusBitmapLock&) = delete;
  GdiplusBitmapLock& operator=(const GdiplusBitmapLock&) = delete;

  [[nodiscard]] bool locked() const { return locked_; }
  [[nodiscard]] const Gdiplus::BitmapData& data() const { return data_; }

 private:
  GdiplusBitmap& bitmap_;
  Gdiplus::BitmapData data_{};
  bool locked_ = false;
};

class GdiplusSolidBrush : public gdiplus_detail::Object<gdiplus_detail::SolidBrushTraits> {
 public:
  using Object::Object;
  static GdiplusSolidBrush Create(Gdiplus::ARGB colour);
  Gdiplus::GpBrush* brush() const { return get(); }
};

class GdiplusLinearGradient : public gdiplus_detail::Object<gdiplus_detail::LinearGradientTraits> {
 public:
  using Object::Object;
  static GdiplusLinearGradient Create(const Gdiplus::RectF& rect, Gdiplus::ARGB from, Gdiplus::ARGB to,
                                      Gdiplus::LinearGradientMode mode, Gdiplus::WrapMode wrap);
  Gdiplus::GpBrush* brush() const { return get(); }
};

class GdiplusPen : public gdiplus_detail::Object<gdiplus_detail::PenTraits> {
 public:
  using Object::Object;
  static GdiplusPen Create(Gdiplus::ARGB colour, float width);
};

class GdiplusFontFamily : public gdiplus_detail::Object<gdiplus_detail::FontFamilyTraits> {
 public:
  using Object::Object;
  static GdiplusFontFamily FromName(const wchar_t* name);
  static GdiplusFontFamily GenericSansSerif();
};

class GdiplusFont : public gdiplus_detail::Object<gdiplus_detail::FontTraits> {
 public:
  using Object::Object;
  static GdiplusFont Create(const GdiplusFontFamily& family, float size, int style, Gdiplus::Unit unit);
};

class GdiplusStringFormat : public gdiplus_detail::Object<gdiplus_detail::StringFormatTraits> {
 public:
  using Object::Object;
  static GdiplusStringFormat Create();
  void SetAlignment(Gdiplus::StringAlignment alignment);
};

class GdiplusGraphics : public gdiplus_detail::Object<gdiplus_detail::GraphicsTraits> {
 public:
  using Object::Object;
  static GdiplusGraphics FromImage(Gdiplus::GpImage* image);

  void SetSmoothingMode(Gdiplus::SmoothingMode mode);
  void SetTextRenderingHint(Gdiplus::TextRenderingHint hint);
  void FillRectangle(Gdiplus::GpBrush* brush, int x, int y, int width, int height);
  void FillRectangle(Gdiplus::GpBrush* brush, float x, float y, float width, float height);
  // At the image's natural size, top-left corner at (x, y).
  void DrawImage(Gdiplus::GpImage* image, float x, float y);
  void DrawImageRect(Gdiplus::GpImage* image, int x, int y, int width, int height);
  void DrawImageRect(Gdiplus::GpImage* image, float x, float y, float width, float height);
  // A cardinal spline through the points with the default tension.
  void DrawCurve(const GdiplusPen& pen, const Gdiplus::PointF* points, int count);
  void DrawString(const wchar_t* text, const GdiplusFont& font, const Gdiplus::RectF& layout,
                  const GdiplusStringFormat& format, Gdiplus::GpBrush* brush);
};

// A slide canvas: kTextureSize x kTextureSize pixels of 24-bit RGB, filled with
// opaque black, with a graphics object on it. Lives for one build only; the
// graphics is declared last so it goes before its bitmap.
struct Canvas {
  GdiplusBitmap bitmap;
  GdiplusGraphics graphics;
};
Canvas CreateCanvas();
