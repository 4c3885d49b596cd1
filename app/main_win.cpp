// Entry point: run mode, data folder, settings, then the setup dialog or the
// saver window with its frame loop, and a shutdown that never waits for the
// background threads.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <memory>

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
#include "settings/policy_win.h"
#include "settings/settings.h"
#include "settings/settings_file_win.h"
#include "slideshow/photo_list.h"
#include "slideshow/slide_builder_win.h"
#include "slideshow/slideshow_win.h"
#include "weather/location_search_win.h"

namespace {

HWND HandleFromValue(int32_t value) { return reinterpret_cast<HWND>(static_cast<intptr_t>(value)); }

// Every slideshow's step and frame at the pacer's frame start; one that would
// show the picture already on its screen is neither drawn nor swapped. The
// next frame comes when the first show wants it.
void RunFrame(FramePacer& pacer, SaverScreens& screens) {
  const uint32_t now = pacer.FrameStartMs();
  int32_t due_in = INT32_MAX;  // no slideshow: only messages matter
  screens.ForEachSlideshow([&](Slideshow& show) {
    show.Advance(now);
    const bool drawn = show.DrawFrame(now);
    due_in = std::min(due_in, show.FrameDueIn(now));
    return drawn;
  });
  pacer.NextFrameIn(due_in);
}

// While nobody looks the shows stand still: no step, no frame, no timer.
void PauseShows(bool pause, uint32_t now, const SaverScreens& screens) {
  for (Slideshow* show : screens.Slideshows()) {
    if (pause) {
      show->Pause(now);
    } else {
      show->Resume(now);
    }
  }
}

// Handles every waiting message before the next frame, and follows a display
// change once they are handled. Frames come every 20 ms, their own work
// included, while a show moves, and only when a show wants one while all hold
// still; none at all while nobody looks. Returns the quit message's
// parameter. `screens` is null in the setup dialog.
int RunMainLoop(SaverMode mode, HWND dialog, SaverScreens* screens) {
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
    } else if (screens == nullptr) {
      Sleep(10);
    } else if (NobodyLooks() != paused) {
      paused = !paused;
      PauseShows(paused, ShowClockMs(), *screens);
      pacer.FrameSoon();
    } else if (paused) {
      FramePacer::WaitForMessage();
    } else if (pacer.FrameDue()) {
      screens->FollowDisplayChange();
      RunFrame(pacer, *screens);
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
  return RunMainLoop(SaverMode::Config, dialog, nullptr);
}

int RunSaver(SaverMode mode, HWND parent) {
  auto gdiplus = std::make_unique<GdiplusSession>();
  SaverScreens screens;
  if (!screens.Open(mode, parent, settings.monitors)) return 0;
  // One scan for every slideshow, before the first step starts them.
  PrepareSlideshows();
  const int code = RunMainLoop(mode, nullptr, &screens);
  // Waiting downloads and the gallery scrape give up within about 100 ms, but
  // the process ends sooner: every running download is abandoned right here,
  // so no half-written file outlives it. The threads are never waited for.
  stop_downloads = true;
  stop_refresh = true;
  AbandonRunningDownloads();
  screens.Close();
  FreePhotoList();
  // GDI+ must not be shut down under a slide build, and the exit must not
  // wait for one: while a build runs, an abandoned one that may never return
  // included, GDI+ is left to the end of the process, which follows at once.
  // A show that ends hands the builders the next show's waiting build, so
  // this is asked once every show has ended.
  if (SharedSlideBuilders().Busy()) static_cast<void>(gdiplus.release());
  return code;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR command_line, int) {
  InitCommonControls();
  const RunMode run = ParseCommandLine(command_line != nullptr ? command_line : L"");
  InitDataFolder();
  LoadSettings();
  LoadPolicies();
  CreateLocks();
  if (run.mode == SaverMode::Config) {
    RemoveStaleSearchAnswers();  // left by searches of killed processes
    const int code = RunSetupDialog(HandleFromValue(run.parentWindow));
    AbandonRunningDownloads();  // a location search still running
    return code;
  }
  return RunSaver(run.mode, HandleFromValue(run.parentWindow));
}
