#include "app/saver_window_win.h"

#include <GL/gl.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "app/gl_context_win.h"
#include "app/input_rule.h"
#include "app/power_watch_win.h"
#include "base/show_clock_win.h"
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

// One window and, when it shows a slideshow, its context, destroyed in
// reverse order of creation: context, DC, window.
struct SaverWindow {
  UniqueHandle<WindowTraits> window;
  std::optional<WindowDC> dc;
  GlContext gl;
};

// Everything the saver windows own, destroyed in reverse order of creation:
// cursor shown again, windows, class.
struct SaverWindowResources {
  RegisteredClass window_class;
  std::vector<std::unique_ptr<SaverWindow>> windows;  // in the order of the screens
  std::optional<HiddenCursor> cursor;

  SaverWindowResources(HINSTANCE instance, WNDPROC proc) : window_class(instance, proc) {}
};

// Main thread only: the window procedure runs inside the main loop's dispatch.
SaverMode saver_mode = SaverMode::Saver;
FirstMouseRule first_mouse;
std::optional<SaverWindowResources> resources;

// The slideshow the window shows, kept with the window from its creation;
// null before that and for a black window.
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
    case WM_CREATE:
      WatchPower(window);
      break;
    case WM_POWERBROADCAST:
      OnPowerBroadcast(wparam, lparam);
      return TRUE;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (!preview) PostQuitMessage(0);
      return 0;
    case WM_MOUSEMOVE: {
      // In screen pixels, so the first position holds across every window.
      POINT at = {static_cast<int16_t>(LOWORD(lparam)), static_cast<int16_t>(HIWORD(lparam))};
      ClientToScreen(window, &at);
      if (!preview && first_mouse.Moved(at.x, at.y)) PostQuitMessage(0);
      break;
    }
    case WM_CLOSE:
      PostQuitMessage(0);
      return 0;
    case WM_DESTROY:
      UnwatchPower(window);
      // Hosts end a preview by destroying the preview window, and our child with it.
      if (preview) PostQuitMessage(0);
      break;
    case WM_ERASEBKGND:
      if (ShownSlideshow(window) == nullptr) {
        RECT client;
        GetClientRect(window, &client);
        FillRect(reinterpret_cast<HDC>(wparam), &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return 1;
      }
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

bool SetUpContext(SaverWindow& w) {
  w.dc.emplace(w.window.get());
  if (w.dc->get() == nullptr) return false;
  w.gl = CreateSaverGlContext(w.dc->get());
  return w.gl.valid();
}

// One unit is one pixel; the origin is the window's top-left corner and y
// grows downward.
void SetProjection(LONG width, LONG height) {
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, width, height, 0, 0, 1);
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

bool OpenWindow(SaverWindow& w, SaverMode mode, HWND parent, HINSTANCE instance, const SaverScreen& screen,
                bool first) {
  RECT rect = {screen.rect.left, screen.rect.top, screen.rect.right, screen.rect.bottom};
  // A preview host that gave no usable window leaves nothing to draw into.
  if (mode == SaverMode::Preview && (parent == nullptr || !IsWindow(parent) || !GetClientRect(parent, &rect)))
    return false;
  const DWORD style = parent != nullptr ? WS_CHILD : WS_POPUP;
  const DWORD ex_style = screen.show == nullptr ? WS_EX_TOPMOST : 0;
  w.window.reset(CreateWindowExW(ex_style, kClassName, kTitle, style, rect.left, rect.top, rect.right - rect.left,
                                 rect.bottom - rect.top, parent, nullptr, instance, screen.show));
  if (!w.window) return false;
  if (screen.show != nullptr) {
    if (!SetUpContext(w)) return false;
    SetProjection(rect.right - rect.left, rect.bottom - rect.top);
    InitGlState();
  }
  // Only the first window takes the keyboard; the others must not take it from it.
  if (!first) {
    ShowWindow(w.window.get(), SW_SHOWNA);
    return true;
  }
  ShowWindow(w.window.get(), SW_SHOW);
  SetForegroundWindow(w.window.get());
  SetFocus(w.window.get());
  return true;
}

bool OpenWindows(SaverWindowResources& r, SaverMode mode, HWND parent, HINSTANCE instance,
                 std::span<const SaverScreen> screens) {
  if (!r.window_class.registered() || screens.empty()) return false;
  if (mode != SaverMode::Preview) r.cursor.emplace();
  const std::size_t count = mode == SaverMode::Preview ? 1 : screens.size();
  for (std::size_t i = 0; i < count; ++i) {
    r.windows.push_back(std::make_unique<SaverWindow>());
    if (!OpenWindow(*r.windows.back(), mode, parent, instance, screens[i], i == 0)) return false;
  }
  return true;
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  if (GetMonitorInfoW(monitor, &info)) {
    const RECT& r = info.rcMonitor;
    reinterpret_cast<std::vector<MonitorArea>*>(list)->push_back(
        MonitorArea{{r.left, r.top, r.right, r.bottom}, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
  }
  return TRUE;
}

}  // namespace

std::vector<SaverWindowPlan> PlanSaverScreens(MonitorMode mode) {
  std::vector<MonitorArea> monitors;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  const ScreenRect primary{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  return PlanSaverWindows(mode, monitors, primary);
}

bool CreateSaverWindows(SaverMode mode, HWND parent, std::span<const SaverScreen> screens) {
  saver_mode = mode;
  first_mouse = FirstMouseRule{};
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  resources.emplace(instance, SaverWindowProc);
  if (!OpenWindows(*resources, mode, parent, instance, screens)) {
    DestroySaverWindows();
    return false;
  }
  return true;
}

void DestroySaverWindows() {
  resources.reset();
  FreePhotoList();
}

HDC SelectSaverScreen(std::size_t index) {
  if (!resources || index >= resources->windows.size()) return nullptr;
  SaverWindow& w = *resources->windows[index];
  if (!w.gl || !w.dc) return nullptr;
  // Switching costs a flush: with one slideshow the context stays current.
  if (wglGetCurrentContext() != w.gl.get()) wglMakeCurrent(w.dc->get(), w.gl.get());
  return w.dc->get();
}

namespace {

constexpr int64_t kFrameMs = 20;
// The longest wait between frames; the shows want one every 5 s at most.
constexpr int64_t kLongestWaitMs = 60'000;
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
  frame_start_ = Counter() - kFrameMs * frequency_ / 1000;
  next_due_ = frame_start_;  // the first frame is due at once
  timer_.reset(CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimer, TIMER_ALL_ACCESS));
  if (!timer_) timer_.reset(CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS));
}

int64_t FramePacer::Remaining100ns() const {
  const int64_t left = next_due_ - Counter();
  return left > 0 ? left * 10'000'000 / frequency_ : 0;
}

bool FramePacer::FrameDue() {
  if (Remaining100ns() > 0) return false;
  frame_start_ = Counter();
  frame_start_ms_ = ShowClockMs();
  next_due_ = frame_start_ + kFrameMs * frequency_ / 1000;
  return true;
}

uint32_t FramePacer::FrameStartMs() const { return frame_start_ms_; }

void FramePacer::NextFrameIn(int32_t due_in_ms) {
  next_due_ = frame_start_ + std::clamp<int64_t>(due_in_ms, kFrameMs, kLongestWaitMs) * frequency_ / 1000;
}

void FramePacer::FrameSoon() {
  next_due_ = std::min(next_due_, frame_start_ + kFrameMs * frequency_ / 1000);
}

void FramePacer::WaitForMessage() { MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE); }

void FramePacer::WaitForFrameOrMessage() {
  const int64_t left = Remaining100ns();
  if (left <= 0) return;
  LARGE_INTEGER due;
  due.QuadPart = -left;  // relative
  const HANDLE timer = timer_.get();
  bool message = false;
  if (timer_ && SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) {
    // Object 0 is the timer, one past the objects the input.
    message = MsgWaitForMultipleObjectsEx(1, &timer, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0 + 1;
  } else {
    message = MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>((left + 9'999) / 10'000), QS_ALLINPUT,
                                          MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0;
  }
  if (message) FrameSoon();
}
