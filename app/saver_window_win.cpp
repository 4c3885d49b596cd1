#include "app/saver_window_win.h"

#include <GL/gl.h>

#include <algorithm>
#include <optional>

#include "app/gl_context_win.h"
#include "app/input_rule.h"
#include "base/win_handle.h"
#include "slideshow/photo_library_win.h"
#include "slideshow/slideshow_win.h"

namespace {

constexpr wchar_t kClassName[] = L"CorvathVelmora";
constexpr wchar_t kTitle[] = L"Corvath Velmora Saver";

class RegisteredClass {
 public:
  RegisteredClass(HINSTANCE instance, WNDPROC proc) : instance_(instance) {
    WNDCLASSW wc = {};
    wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(nullptr, IDI_WINLOGO);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    registered_ = RegisterClassW(&wc) != 0;
  }
  ~RegisteredClass() {
    if (registered_) UnregisterClassW(kClassName, instance_);
  }
  RegisteredClass(const RegisteredClass&) = delete;
  RegisteredClass& operator=(const RegisteredClass&) = delete;
  bool registered() const { return registered_; }

 private:
  HINSTANCE instance_;
  bool registered_;
};

class HiddenCursor {
 public:
  HiddenCursor() { ShowCursor(FALSE); }
  ~HiddenCursor() { ShowCursor(TRUE); }
  HiddenCursor(const HiddenCursor&) = delete;
  HiddenCursor& operator=(const HiddenCursor&) = delete;
};

struct WindowTraits {
  using Native = HWND;
  static Native Invalid() { return nullptr; }
  static void Close(Native h) { DestroyWindow(h); }
};

class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDC() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Everything the saver window owns, destroyed in reverse order of creation:
// cursor shown again, context, DC, window, class.
struct SaverWindowResources {
  RegisteredClass window_class;
  UniqueHandle<WindowTraits> window;
  std::optional<WindowDC> dc;
  GlContext gl;
  std::optional<HiddenCursor> cursor;

  SaverWindowResources(HINSTANCE instance, WNDPROC proc) : window_class(instance, proc) {}
};

// Main thread only: the window procedure runs inside the main loop's dispatch.
SaverMode saver_mode = SaverMode::Saver;
FirstMouseRule first_mouse;
std::optional<SaverWindowResources> resources;

// The slideshow the window shows, kept with the window from its creation;
// null before that.
Slideshow* ShownSlideshow(HWND window) {
  return reinterpret_cast<Slideshow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  const bool preview = saver_mode == SaverMode::Preview;
  switch (message) {
    case WM_NCCREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      break;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (!preview) PostQuitMessage(0);
      return 0;
    case WM_MOUSEMOVE:
      if (!preview && first_mouse.Moved(LOWORD(lparam), HIWORD(lparam))) PostQuitMessage(0);
      break;
    case WM_CLOSE:
      PostQuitMessage(0);
      return 0;
    case WM_DESTROY:
      // Hosts end a preview by destroying the preview window, and our child with it.
      if (preview) PostQuitMessage(0);
      break;
    case WM_PAINT:
    case WM_SIZE:
    case WM_DISPLAYCHANGE:
    case WM_SHOWWINDOW:
      // The window's picture may be gone: frames that would draw the same
      // picture are skipped, so the next one must draw it again.
      if (Slideshow* show = ShownSlideshow(window)) show->Redraw();
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

bool SetUpContext(SaverWindowResources& r) {
  r.dc.emplace(r.window.get());
  if (r.dc->get() == nullptr) return false;
  r.gl = CreateSaverGlContext(r.dc->get());
  return r.gl.valid();
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

void InitGlState() {
  glEnable(GL_TEXTURE_2D);
  glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
  glClearDepth(1.0);
  glDisable(GL_DEPTH_TEST);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glEnable(GL_BLEND);
  glDepthFunc(GL_LEQUAL);
}

bool OpenWindow(SaverWindowResources& r, SaverMode mode, HWND parent, HINSTANCE instance, Slideshow& show) {
  if (!r.window_class.registered()) return false;
  RECT rect = {};
  if (mode == SaverMode::Preview) {
    // A preview host that gave no usable window leaves nothing to draw into.
    if (parent == nullptr || !IsWindow(parent) || !GetClientRect(parent, &rect)) return false;
  } else {
    rect.right = GetSystemMetrics(SM_CXSCREEN);
    rect.bottom = GetSystemMetrics(SM_CYSCREEN);
    r.cursor.emplace();
  }
  const DWORD style = parent != nullptr ? WS_CHILD : WS_POPUP;
  r.window.reset(CreateWindowExW(0, kClassName, kTitle, style, rect.left, rect.top, rect.right - rect.left,
                                 rect.bottom - rect.top, parent, nullptr, instance, &show));
  if (!r.window || !SetUpContext(r)) return false;
  ShowWindow(r.window.get(), SW_SHOW);
  SetForegroundWindow(r.window.get());
  SetFocus(r.window.get());
  SetProjection(rect);
  InitGlState();
  return true;
}

}  // namespace

bool CreateSaverWindow(SaverMode mode, HWND parent, Slideshow& show) {
  saver_mode = mode;
  first_mouse = FirstMouseRule{};
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  resources.emplace(instance, SaverWindowProc);
  if (!OpenWindow(*resources, mode, parent, instance, show)) {
    DestroySaverWindow();
    return false;
  }
  return true;
}

void DestroySaverWindow() {
  resources.reset();
  FreePhotoList();
}

HDC SaverDC() { return resources && resources->dc ? resources->dc->get() : nullptr; }

namespace {

constexpr int64_t kFrameMs = 20;
// Windows 10 1803 and later; MinGW's headers do not name it yet.
constexpr DWORD kHighResolutionTimer = 0x00000002;

int64_t Counter() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

}  // namespace

FramePacer::FramePacer() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  frequency_ = frequency.QuadPart;
  frame_start_ = Counter() - kFrameMs * frequency_ / 1000;  // the first frame is due at once
  timer_.reset(CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimer, TIMER_ALL_ACCESS));
  if (!timer_) timer_.reset(CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS));
}

int64_t FramePacer::Remaining100ns() const {
  const int64_t left = frame_start_ + kFrameMs * frequency_ / 1000 - Counter();
  return left > 0 ? left * 10'000'000 / frequency_ : 0;
}

bool FramePacer::FrameDue() {
  if (Remaining100ns() > 0) return false;
  frame_start_ = Counter();
  return true;
}

uint32_t FramePacer::FrameStartMs() const {
  // Wraps like the tick count; the fade only takes differences.
  return static_cast<uint32_t>(frame_start_ / std::max<int64_t>(frequency_ / 1000, 1));
}

void FramePacer::WaitForFrameOrMessage() {
  const int64_t left = Remaining100ns();
  if (left <= 0) return;
  LARGE_INTEGER due;
  due.QuadPart = -left;  // relative
  const HANDLE timer = timer_.get();
  if (timer_ && SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) {
    MsgWaitForMultipleObjectsEx(1, &timer, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  } else {
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>((left + 9'999) / 10'000), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
  }
}
