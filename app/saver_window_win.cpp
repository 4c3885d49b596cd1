#include "app/saver_window_win.h"

#include <GL/gl.h>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "app/gl_context_win.h"
#include "app/power_watch_win.h"
#include "base/show_clock_win.h"
#include "base/win_handle.h"

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

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  MONITORINFOEXW info = {};
  info.cbSize = sizeof(info);
  if (GetMonitorInfoW(monitor, &info)) {
    const RECT& r = info.rcMonitor;
    reinterpret_cast<std::vector<MonitorArea>*>(list)->push_back(MonitorArea{
        {r.left, r.top, r.right, r.bottom}, (info.dwFlags & MONITORINFOF_PRIMARY) != 0, std::wstring(info.szDevice)});
  }
  return TRUE;
}

// The monitors as the system reports them now, in virtual-screen pixels,
// planned for `mode`.
std::vector<SaverWindowPlan> PlanFromMonitors(MonitorMode mode) {
  std::vector<MonitorArea> monitors;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  const ScreenRect primary{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  return PlanSaverWindows(mode, monitors, primary);
}

}  // namespace

struct SaverScreen {
  SaverScreens* owner = nullptr;
  SaverWindowPlan plan;  // rect unused in Preview mode, where the host's window sets it
  UniqueHandle<WindowTraits> window;
  std::optional<WindowDC> dc;
  GlContext gl;
  std::unique_ptr<Slideshow> show;  // null for a black window
};

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Destroyed in reverse order: the screens, the cursor shown again, the class.
struct SaverScreens::Resources {
  RegisteredClass window_class;
  std::optional<HiddenCursor> cursor;
  std::vector<std::unique_ptr<SaverScreen>> screens;  // the primary's first

  explicit Resources(HINSTANCE instance) : window_class(instance, SaverWindowProc) {}
};

// The window procedure runs inside the main loop's dispatch, on the main
// thread. Each window carries its screen from WM_NCCREATE on; the screen
// outlives the window.
LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* screen = reinterpret_cast<SaverScreen*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (screen == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  SaverScreens& owner = *screen->owner;
  const bool preview = owner.mode_ == SaverMode::Preview;
  switch (message) {
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
      if (!preview && owner.first_mouse_.Moved(at.x, at.y)) PostQuitMessage(0);
      break;
    }
    case WM_CLOSE:
      PostQuitMessage(0);
      return 0;
    case WM_DESTROY:
      UnwatchPower(window);
      // Hosts end a preview by destroying the preview window, and our child with it.
      if (preview) PostQuitMessage(0);
      // The screen goes on without its window until its owner drops it.
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
    case WM_ERASEBKGND:
      if (screen->show == nullptr) {
        RECT client;
        GetClientRect(window, &client);
        FillRect(reinterpret_cast<HDC>(wparam), &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return 1;
      }
      break;
    case WM_DISPLAYCHANGE:
      // Windows are opened and closed by the main loop, never inside a
      // dispatch to one of them.
      if (!preview) owner.display_changed_ = true;
      [[fallthrough]];
    case WM_PAINT:
    case WM_SIZE:
    case WM_SHOWWINDOW:
      // The window's picture may be gone: frames that would draw the same
      // picture are skipped, so the next one must draw it again.
      if (screen->show != nullptr) screen->show->Redraw();
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

SaverScreens::SaverScreens() = default;
SaverScreens::~SaverScreens() { Close(); }

bool SaverScreens::Open(SaverMode mode, HWND parent, MonitorMode monitors) {
  mode_ = mode;
  parent_ = parent;
  monitors_ = monitors;
  first_mouse_ = FirstMouseRule{};
  resources_ = std::make_unique<Resources>(GetModuleHandleW(nullptr));
  if (!resources_->window_class.registered()) {
    Close();
    return false;
  }
  if (mode != SaverMode::Preview) resources_->cursor.emplace();
  Replan(mode == SaverMode::Preview ? std::vector<SaverWindowPlan>{SaverWindowPlan{}} : PlanFromMonitors(monitors));
  if (resources_->screens.empty()) {
    Close();
    return false;
  }
  return true;
}

void SaverScreens::Close() {
  shows_.clear();
  resources_.reset();
}

std::unique_ptr<SaverScreen> SaverScreens::OpenScreen(const SaverWindowPlan& plan, bool show) {
  auto screen = std::make_unique<SaverScreen>();
  screen->owner = this;
  screen->plan = plan;
  const ScreenRect& r = plan.rect;
  RECT rect = {r.left, r.top, r.right, r.bottom};
  // A preview host that gave no usable window leaves nothing to draw into.
  if (mode_ == SaverMode::Preview && (parent_ == nullptr || !IsWindow(parent_) || !GetClientRect(parent_, &rect)))
    return nullptr;
  if (show) screen->show = std::make_unique<Slideshow>(*this);
  // With more than the primary monitor every window is top-most, so no
  // taskbar or other window stays over any of them.
  const bool topmost = mode_ == SaverMode::Saver && (!show || monitors_ != MonitorMode::Primary);
  const DWORD style = parent_ != nullptr ? WS_CHILD : WS_POPUP;
  screen->window.reset(CreateWindowExW(topmost ? WS_EX_TOPMOST : 0, kClassName, kTitle, style, rect.left, rect.top,
                                       rect.right - rect.left, rect.bottom - rect.top, parent_, nullptr,
                                       GetModuleHandleW(nullptr), screen.get()));
  if (!screen->window) return nullptr;
  if (show) {
    screen->dc.emplace(screen->window.get());
    if (screen->dc->get() != nullptr) screen->gl = CreateSaverGlContext(screen->dc->get());
    if (!screen->gl) {
      // Its end is ours, not the host's: a preview goes on in black.
      SetWindowLongPtrW(screen->window.get(), GWLP_USERDATA, 0);
      return nullptr;
    }
    SetProjection(rect.right - rect.left, rect.bottom - rect.top);
    InitGlState();
    screen->show->Start();
  }
  // The keyboard goes to the primary's window alone (GiveKeyboardToFirst).
  ShowWindow(screen->window.get(), SW_SHOWNA);
  return screen;
}

void SaverScreens::Replan(const std::vector<SaverWindowPlan>& plans) {
  std::vector<std::unique_ptr<SaverScreen>>& screens = resources_->screens;
  std::vector<SaverWindowPlan> now;
  for (const auto& screen : screens) now.push_back(screen->plan);
  const std::vector<int> match = MatchSaverWindows(now, plans);
  std::vector<std::unique_ptr<SaverScreen>> next;
  std::vector<const SaverWindowPlan*> wanted;  // each kept screen's new plan
  for (std::size_t i = 0; i < plans.size(); ++i) {
    std::unique_ptr<SaverScreen> screen;
    if (match[i] >= 0) {
      screen = std::move(screens[static_cast<std::size_t>(match[i])]);
    } else {
      screen = OpenScreen(plans[i], plans[i].slideshow);
      // A monitor whose slideshow window or context cannot be made is
      // covered in black, and the others go on.
      if (screen == nullptr && plans[i].slideshow) screen = OpenScreen(plans[i], false);
    }
    if (screen == nullptr) continue;
    next.push_back(std::move(screen));
    wanted.push_back(&plans[i]);
  }
  // What no plan kept closes here: its show ends and its window goes.
  shows_.clear();
  screens = std::move(next);
  ListSlideshows();
  for (std::size_t i = 0; i < screens.size(); ++i) {
    SaverScreen* screen = screens[i].get();
    const SaverWindowPlan& want = *wanted[i];
    if (screen->plan.rect == want.rect) continue;
    screen->plan = want;
    const ScreenRect& r = want.rect;
    SetWindowPos(screen->window.get(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (screen->show == nullptr) continue;
    wglMakeCurrent(screen->dc->get(), screen->gl.get());
    SetProjection(r.right - r.left, r.bottom - r.top);
    screen->show->Resize();
  }
  GiveKeyboardToFirst();
}

void SaverScreens::GiveKeyboardToFirst() {
  if (resources_->screens.empty()) return;
  const HWND first = resources_->screens.front()->window.get();
  if (GetFocus() == first) return;
  ShowWindow(first, SW_SHOW);
  SetForegroundWindow(first);
  SetFocus(first);
}

void SaverScreens::ListSlideshows() {
  shows_.clear();
  for (const auto& screen : resources_->screens)
    if (screen->show != nullptr) shows_.push_back(screen->show.get());
}

void SaverScreens::ForEachSlideshow(const std::function<bool(Slideshow&)>& draw) {
  if (!resources_) return;
  for (const auto& screen : resources_->screens) {
    if (screen->show == nullptr) continue;
    // Switching costs a flush: with one slideshow the context stays current.
    if (wglGetCurrentContext() != screen->gl.get()) wglMakeCurrent(screen->dc->get(), screen->gl.get());
    if (draw(*screen->show)) SwapBuffers(screen->dc->get());
  }
}

void SaverScreens::FollowDisplayChange() {
  if (!display_changed_ || !resources_) return;
  display_changed_ = false;
  Replan(PlanFromMonitors(monitors_));
  // Without a window no input could ever end the saver.
  if (resources_->screens.empty()) PostQuitMessage(0);
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
