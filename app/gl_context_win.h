// The saver's OpenGL context.
#pragma once

#include <windows.h>

#include "base/win_handle.h"

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
