#include "app/gdiplus_session_win.h"

#include <gdiplus.h>

GdiplusSession::GdiplusSession() {
  // Version 1, no debug callback, background thread and external codecs on.
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
}

GdiplusSession::~GdiplusSession() {
  if (token_ != 0) Gdiplus::GdiplusShutdown(token_);
}
