// Helpers that only tests and benchmarks use to build and read back pictures
// outside the saver window.
#pragma once

#include <windows.h>
#include <GL/gl.h>

#include "app/gl_context_win.h"
#include "drawing/gdiplus_objects_win.h"
#include "slideshow/slide_sequencer.h"

// A hidden 64 x 64 window with its own DC and a current context.
class OffscreenGl {
 public:
  OffscreenGl();
  ~OffscreenGl();
  OffscreenGl(const OffscreenGl&) = delete;
  OffscreenGl& operator=(const OffscreenGl&) = delete;

  bool ok() const { return context_.valid(); }

 private:
  HWND window_ = nullptr;
  HDC dc_ = nullptr;
  GlContext context_;
};

// Decodes the photo at path (may be null), fits it centred onto a black canvas
// and uploads it into texture; returns the fitted size. A file that cannot be
// decoded gives 0 x 0 and an all-black texture. Both halves of a show's slide
// build on the calling thread.
SlideSize LoadPhotoTexture(const wchar_t* path, GLuint texture);

// GDI+ keeps the file open while the image lives.
GdiplusImage LoadImageFile(const wchar_t* path);

// A 32-bit device-independent bitmap of the pixels; null on failure. The
// caller deletes it.
HBITMAP CreateHbitmap(const GdiplusBitmap& bitmap, Gdiplus::ARGB background);

// ARGB of one pixel; 0 when it cannot be read.
Gdiplus::ARGB Pixel(const GdiplusBitmap& bitmap, int x, int y);
