#include "tests/support/picture_support_win.h"

#include <cstdint>
#include <vector>

#include "drawing/photo_fit.h"
#include "slideshow/photo_decoder_win.h"
#include "slideshow/slide_textures_win.h"

namespace {

constexpr wchar_t kOffscreenClass[] = L"VelmoraOffscreenGl";

}  // namespace

OffscreenGl::OffscreenGl() {
  WNDCLASSW wc = {};
  wc.style = CS_OWNDC;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kOffscreenClass;
  RegisterClassW(&wc);  // fails harmlessly when an earlier instance registered it
  window_ = CreateWindowExW(0, kOffscreenClass, L"", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, wc.hInstance,
                            nullptr);
  if (window_ == nullptr) return;
  dc_ = GetDC(window_);
  if (dc_ != nullptr) context_ = CreateSaverGlContext(dc_);
}

OffscreenGl::~OffscreenGl() {
  context_.reset();
  if (dc_ != nullptr) ReleaseDC(window_, dc_);
  if (window_ != nullptr) DestroyWindow(window_);
}

SlideSize LoadPhotoTexture(const wchar_t* path, GLuint texture) {
  std::vector<uint32_t> canvas(kCanvasTexels);
  const ImagingCodecs codecs;
  const PhotoFit fit = DecodePhotoOntoCanvas(codecs, path != nullptr ? path : L"", canvas.data());
  return UploadSlideCanvas(canvas.data(), fit, texture);
}

GdiplusImage LoadImageFile(const wchar_t* path) {
  Gdiplus::GpImage* image = nullptr;
  const Gdiplus::Status status = Gdiplus::DllExports::GdipLoadImageFromFile(path, &image);
  return GdiplusImage(status == Gdiplus::Ok ? image : nullptr, status);
}

HBITMAP CreateHbitmap(const GdiplusBitmap& bitmap, Gdiplus::ARGB background) {
  HBITMAP dib = nullptr;
  if (Gdiplus::DllExports::GdipCreateHBITMAPFromBitmap(bitmap.get(), &dib, background) != Gdiplus::Ok) return nullptr;
  return dib;
}

Gdiplus::ARGB Pixel(const GdiplusBitmap& bitmap, int x, int y) {
  Gdiplus::ARGB colour = 0;
  if (Gdiplus::DllExports::GdipBitmapGetPixel(bitmap.get(), x, y, &colour) != Gdiplus::Ok) return 0;
  return colour;
}
