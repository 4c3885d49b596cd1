// The resident size a bare GL window costs under Wine and its software
// renderer: one full-screen window per monitor (or on the primary screen
// alone), each with the saver's pixel format and two textures of the photo
// slot's side for its size, both drawn once, then nothing until stdin closes.
// A script reads the process's resident size meanwhile, beside the saver's.
//
//   gl_floor.exe [all]
//
// Prints "side N" per window, then "ready" once everything is drawn.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <vector>

#include <GL/gl.h>

#include "app/gl_context_win.h"
#include "drawing/photo_fit.h"

namespace {

struct Window {
  HWND hwnd;
  HDC dc;
  GlContext context;
};

BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT rect, LPARAM rects) {
  reinterpret_cast<std::vector<RECT>*>(rects)->push_back(*rect);
  return TRUE;
}

// Two textures of the slot's side, uploaded and drawn over the window.
bool FillWindow(Window& w, int width, int height) {
  w.context = CreateSaverGlContext(w.dc);
  if (!w.context) return false;
  GLint limit = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
  const int side = SlotTextureSide(width, height, limit);
  std::printf("side %d\n", side);
  const std::vector<uint32_t> texels(CanvasTexelCount(side), kOpaqueBlack | 0x404040);
  GLuint textures[2] = {};
  glGenTextures(2, textures);
  glViewport(0, 0, width, height);
  glEnable(GL_TEXTURE_2D);
  for (const GLuint texture : textures) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, side, side, 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE, texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex2f(-1, -1);
    glTexCoord2f(1, 0), glVertex2f(1, -1);
    glTexCoord2f(1, 1), glVertex2f(1, 1);
    glTexCoord2f(0, 1), glVertex2f(-1, 1);
    glEnd();
  }
  glFinish();
  return SwapBuffers(w.dc) != FALSE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<RECT> screens;
  if (argc > 1 && std::wcscmp(argv[1], L"all") == 0) {
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&screens));
  } else {
    screens.push_back({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
  }
  WNDCLASSW wc{};
  wc.style = CS_OWNDC;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"GlFloor";
  RegisterClassW(&wc);
  // The windows live until the process ends; nothing else runs meanwhile.
  std::vector<Window> windows(screens.size());
  for (size_t i = 0; i < screens.size(); ++i) {
    const RECT& r = screens[i];
    const int width = r.right - r.left, height = r.bottom - r.top;
    windows[i].hwnd = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"GL floor", WS_POPUP | WS_VISIBLE, r.left,
                                      r.top, width, height, nullptr, nullptr, wc.hInstance, nullptr);
    windows[i].dc = windows[i].hwnd ? GetDC(windows[i].hwnd) : nullptr;
    if (!windows[i].dc || !FillWindow(windows[i], width, height)) {
      std::fprintf(stderr, "no GL window on screen %zu\n", i);
      return 1;
    }
  }
  std::printf("ready\n");
  std::fflush(stdout);
  // Until the script closes stdin.
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  char byte;
  DWORD read = 0;
  while (ReadFile(input, &byte, 1, &read, nullptr) && read > 0) {
  }
  return 0;
}
