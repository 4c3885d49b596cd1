#include "app/gl_context_win.h"

GlContext CreateSaverGlContext(HDC dc) {
  PIXELFORMATDESCRIPTOR pfd = {};
  pfd.nSize = sizeof(pfd);
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = 24;
  pfd.cAlphaBits = 8;
  pfd.cDepthBits = 32;
  pfd.iLayerType = PFD_MAIN_PLANE;
  const int format = ChoosePixelFormat(dc, &pfd);
  if (format == 0 || !SetPixelFormat(dc, format, &pfd)) return {};
  GlContext context(wglCreateContext(dc));
  if (!context || !wglMakeCurrent(dc, context.get())) return {};
  return context;
}

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
