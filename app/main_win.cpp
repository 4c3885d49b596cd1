// Entry point: run mode, data folder, settings, then the setup dialog or the
// saver window with its frame loop, and a shutdown that never waits for the
// background threads.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "app/command_line.h"
#include "app/power_watch_win.h"
#include "app/saver_window_win.h"
#include "app/setup_dialog_win.h"
#include "base/data_folder_win.h"
#include "base/run_state.h"
#include "base/show_clock_win.h"
#include "drawing/gdiplus_session_win.h"
#include "net/http_fetch_win.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "settings/settings_file_win.h"
#include "slideshow/slide_builder_win.h"
#include "slideshow/slideshow_win.h"
#include "weather/location_search_win.h"

namespace {

HWND HandleFromValue(int32_t value) { return reinterpret_cast<HWND>(static_cast<intptr_t>(value)); }

// Every slideshow's step and frame at the pacer's frame start; one that would
// show the picture already on its screen is neither drawn nor swapped. The
// next frame comes when the first show wants it.
void RunFrame(FramePacer& pacer, std::span<const SaverScreen> screens) {
  const uint32_t now = pacer.FrameStartMs();
  int32_t due_in = INT32_MAX;  // no slideshow: only messages matter
  for (std::size_t i = 0; i < screens.size(); ++i) {
    Slideshow* show = screens[i].show;
    if (show == nullptr) continue;
    const HDC dc = SelectSaverScreen(i);
    show->Advance(now);
    if (show->DrawFrame(now)) SwapBuffers(dc);
    due_in = std::min(due_in, show->FrameDueIn(now));
  }
  pacer.NextFrameIn(due_in);
}

// While nobody looks the shows stand still: no step, no frame, no timer.
void PauseShows(bool pause, uint32_t now, std::span<const SaverScreen> screens) {
  for (const SaverScreen& screen : screens) {
    if (screen.show == nullptr) continue;
    if (pause) {
      screen.show->Pause(now);
    } else {
      screen.show->Resume(now);
    }
  }
}

// Handles every waiting message before the next frame. Frames come every
// 20 ms, their own work included, while a show moves, and only when a show
// wants one while all hold still; none at all while nobody looks. Returns the
// quit message's parameter. `screens` is empty in the setup dialog.
int RunMainLoop(SaverMode mode, HWND dialog, std::span<const SaverScreen> screens) {
  FramePacer pacer;
  bool paused = false;
  for (;;) {
    MSG msg;
    if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
      if (mode == SaverMode::Config && dialog != nullptr && IsDialogMessageW(dialog, &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
      pacer.FrameSoon();
    } else if (screens.empty()) {
      Sleep(10);
    } else if (NobodyLooks() != paused) {
      paused = !paused;
      PauseShows(paused, ShowClockMs(), screens);
      pacer.FrameSoon();
    } else if (paused) {
      FramePacer::WaitForMessage();
    } else if (pacer.FrameDue()) {
      RunFrame(pacer, screens);
    } else {
      pacer.WaitForFrameOrMessage();
    }
  }
}

int RunSetupDialog(HWND owner) {
  // The owner comes from the command line: a handle that names no window would
  // make the dialog creation fail, so the dialog then has no owner.
  if (owner != nullptr && !IsWindow(owner)) owner = nullptr;
  const HWND dialog =
      CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SETUP), owner, SetupDialogProc, 0);
  // Without a dialog nothing could ever post the quit message.
  if (dialog == nullptr) return 0;
  ShowWindow(dialog, SW_SHOW);
  return RunMainLoop(SaverMode::Config, dialog, {});
}

// One slideshow for each screen that shows one; a preview has one screen.
std::vector<SaverScreen> MakeScreens(SaverMode mode, std::vector<std::unique_ptr<Slideshow>>& shows) {
  const std::vector<SaverWindowPlan> plans =
      mode == SaverMode::Preview ? std::vector<SaverWindowPlan>{SaverWindowPlan{}} : PlanSaverScreens(settings.monitors);
  std::vector<SaverScreen> screens;
  for (const SaverWindowPlan& plan : plans) {
    Slideshow* show = plan.slideshow ? shows.emplace_back(std::make_unique<Slideshow>()).get() : nullptr;
    screens.push_back(SaverScreen{plan.rect, show});
  }
  return screens;
}

int RunSaver(SaverMode mode, HWND parent) {
  auto gdiplus = std::make_unique<GdiplusSession>();
  std::vector<std::unique_ptr<Slideshow>> shows;
  const std::vector<SaverScreen> screens = MakeScreens(mode, shows);
  if (!CreateSaverWindows(mode, parent, screens)) return 0;
  // One scan for every slideshow; each sizes its photos from its own window's viewport.
  PrepareSlideshows();
  for (std::size_t i = 0; i < screens.size(); ++i) {
    if (screens[i].show == nullptr) continue;
    SelectSaverScreen(i);
    screens[i].show->Start();
  }
  const int code = RunMainLoop(mode, nullptr, screens);
  // Waiting downloads and the gallery scrape give up within about 100 ms, but
  // the process ends sooner: every running download is abandoned right here,
  // so no half-written file outlives it. The threads are never waited for.
  stop_downloads = true;
  stop_refresh = true;
  AbandonRunningDownloads();
  DestroySaverWindows();
  // GDI+ must not be shut down under a slide build, and the exit must not
  // wait for one: while a build runs, an abandoned one that may never return
  // included, GDI+ is left to the end of the process, which follows at once.
  // No build starts after the loop, so a builder that is idle now stays idle.
  if (SharedSlideBuilders().Busy()) static_cast<void>(gdiplus.release());
  return code;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR command_line, int) {
  InitCommonControls();
  const RunMode run = ParseCommandLine(command_line != nullptr ? command_line : L"");
  InitDataFolder();
  LoadSettings();
  CreateLocks();
  if (run.mode == SaverMode::Config) {
    RemoveStaleSearchAnswers();  // left by searches of killed processes
    const int code = RunSetupDialog(HandleFromValue(run.parentWindow));
    AbandonRunningDownloads();  // a location search still running
    return code;
  }
  return RunSaver(run.mode, HandleFromValue(run.parentWindow));
}
