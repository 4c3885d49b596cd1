#include "app/saver_window_win.h"

#include <GL/gl.h>

#include "app/input_rule.h"
#include "slideshow/slideshow_win.h"

namespace {

constexpr wchar_t kClassName[] = L"CorvathVelmora";
constexpr wchar_t kTitle[] = L"Corvath Velmora Saver";

// Main thread only: the window procedure runs inside the main loop's dispatch.
struct SaverWindowState {
  SaverMode mode = SaverMode::Saver;
  HINSTANCE instance = nullptr;
  bool class_registered = false;
  bool cursor_hidden = false;
  HWND window = nullptr;
  HDC dc = nullptr;
  HGLRC gl = nullptr;
  FirstMouseRule mouse;
};
SaverWindowState state;

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  const bool preview = state.mode == SaverMode::Preview;
  switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (!preview) PostQuitMessage(0);
      return 0;
    case WM_MOUSEMOVE:
      if (!preview && state.mouse.Moved(LOWORD(lparam), HIWORD(lparam))) PostQuitMessage(0);
      break;
    case WM_CLOSE:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

bool SetUpContext() {
  state.dc = GetDC(state.window);
  if (state.dc == nullptr) return false;
  PIXELFORMATDESCRIPTOR pfd = {};
  pfd.nSize = sizeof(pfd);
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = 24;
  pfd.cAlphaBits = 8;
  pfd.cDepthBits = 32;
  pfd.iLayerType = PFD_MAIN_PLANE;
  const int format = ChoosePixelFormat(state.dc, &pfd);
  if (format == 0 || !SetPixelFormat(state.dc, format, &pfd)) return false;
  state.gl = wglCreateContext(state.dc);
  return state.gl != nullptr && wglMakeCurrent(state.dc, state.gl);
}

// One unit is one pixel; the origin is the top-left corner and y grows downward.
void SetProjection(const RECT& r) {
  glViewport(0, 0, r.right - r.left, r.bottom - r.top);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(r.left, r.right, r.bottom, r.top, 0, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

bool InitGlState() {
  glEnable(GL_TEXTURE_2D);
  glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
  glClearDepth(1.0);
  glDisable(GL_DEPTH_TEST);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glEnable(GL_BLEND);
  glDepthFunc(GL_LEQUAL);
  return true;
}

}  // namespace

bool CreateSaverWindow(SaverMode mode, HWND parent) {
  state = SaverWindowState{};
  state.mode = mode;
  state.instance = GetModuleHandleW(nullptr);

  WNDCLASSW wc = {};
  wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = SaverWindowProc;
  wc.hInstance = state.instance;
  wc.hIcon = LoadIconW(nullptr, IDI_WINLOGO);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  if (RegisterClassW(&wc) == 0) return false;
  state.class_registered = true;

  RECT r = {};
  if (mode == SaverMode::Preview) {
    // A preview host that gave no usable window leaves nothing to draw into.
    if (parent == nullptr || !IsWindow(parent) || !GetClientRect(parent, &r)) {
      DestroySaverWindow();
      return false;
    }
  } else {
    r.right = GetSystemMetrics(SM_CXSCREEN);
    r.bottom = GetSystemMetrics(SM_CYSCREEN);
    ShowCursor(FALSE);
    state.cursor_hidden = true;
  }

  const DWORD style = parent != nullptr ? WS_CHILD : WS_POPUP;
  state.window = CreateWindowExW(0, kClassName, kTitle, style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                                 parent, nullptr, state.instance, nullptr);
  if (state.window == nullptr || !SetUpContext()) {
    DestroySaverWindow();
    return false;
  }
  ShowWindow(state.window, SW_SHOW);
  SetForegroundWindow(state.window);
  SetFocus(state.window);
  SetProjection(r);
  if (!InitGlState()) {
    DestroySaverWindow();
    return false;
  }
  return true;
}

void DestroySaverWindow() {
  if (state.cursor_hidden) {
    ShowCursor(TRUE);
    state.cursor_hidden = false;
  }
  if (state.gl != nullptr) {
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(state.gl);  // slide textures go with the context
    state.gl = nullptr;
  }
  if (state.dc != nullptr) {
    ReleaseDC(state.window, state.dc);
    state.dc = nullptr;
  }
  if (state.window != nullptr) {
    DestroyWindow(state.window);
    state.window = nullptr;
  }
  if (state.class_registered) {
    UnregisterClassW(kClassName, state.instance);
    state.class_registered = false;
  }
}

HWND SaverWindow() { return state.window; }
HDC SaverDC() { return state.dc; }
