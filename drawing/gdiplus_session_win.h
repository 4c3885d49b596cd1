// GDI+ start-up and shutdown for the life of the saver window.
#pragma once

#include <windows.h>

#include <cstdint>

class GdiplusSession {
 public:
  GdiplusSession();
  ~GdiplusSession();
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;

  bool started() const { return token_ != 0; }

 private:
  ULONG_PTR token_ = 0;
};
