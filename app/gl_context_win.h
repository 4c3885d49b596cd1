// The saver's OpenGL context, and a hidden window that carries one for code
// that builds textures outside the saver window (tests, benchmarks).
#pragma once

#include <windows.h>

#include "app/win_handle.h"

struct GlContextTraits {
  using Native = HGLRC;
  static Native Invalid() { return nullptr; }
  static void Close(Native h) {
    if (wglGetCurrentContext() == h) wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(h);  // textures go with the context
  }
};
using GlContext = UniqueHandle<GlContextTraits>;

// Sets the saver's pixel format (double-buffered RGBA, 24 colour bits, 8 alpha
// bits, 32 depth bits) on `dc`, creates a context on it and makes it current.
// Empty when any step fails.
GlContext CreateSaverGlContext(HDC dc);

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
