#include "drawing/gdiplus_session_win.h"

#include <gdiplus.h>

#include "drawing/resource_images_win.h"

GdiplusSession::GdiplusSession() {
  // Version 1, no debug callback, background thread and external codecs on.
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
}

GdiplusSession::~GdiplusSession() {
  if (token_ == 0) return;
  // The embedded images are cached for the whole run; GDI+ objects must not
  // outlive GDI+ itself.
  ReleaseResourceImages();
  Gdiplus::GdiplusShutdown(token_);
}
