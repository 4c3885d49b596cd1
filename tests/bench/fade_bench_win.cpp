// Frame rate of the slideshow during cross-fades. Opens the saver's own
// full-screen window and runs its main loop's frames (paced by FramePacer:
// a step, a drawn frame, and SwapBuffers when it drew) over the photos
// of a data folder, timing each frame.
// A cross-fade ends where the sequencer flips the slot on screen; the drawn
// frames just before that flip are the fade's (a hold draws nothing), and as
// many frames before the fade are the plain hold for comparison.
//
//   fade_bench.exe DATA_FOLDER [FADES]
//
// Every server address points at a closed local port, so the refresh thread
// the show starts fails at once and no photo arrives during the run.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <vector>

#include "app/saver_window_win.h"
#include "base/data_folder.h"
#include "base/run_state.h"
#include "drawing/gdiplus_session_win.h"
#include "settings/settings.h"
#include "slideshow/slideshow_win.h"
#include "tests/bench/bench_clock_win.h"

namespace {

struct FrameTimes {
  double start;  // before the step
  double swap;   // duration of SwapBuffers, 0 when the frame was not drawn
  const SlideSlot* slot;  // the slot on screen after the step
  bool drawn;
};

struct Span {
  double frames_per_second, median_ms, longest_ms, median_swap_ms;
  int drawn;
  double length_ms;  // from the first frame's start to the start of the frame that closes the span
};

// Frames [first, last) by their start times; the frame `last` closes the span.
Span Measure(const std::vector<FrameTimes>& f, size_t first, size_t last) {
  std::vector<double> periods, swaps;
  int drawn = 0;
  for (size_t i = first; i < last; ++i) {
    periods.push_back(f[i + 1].start - f[i].start);
    swaps.push_back(f[i].swap);
    drawn += f[i].drawn;
  }
  std::sort(periods.begin(), periods.end());
  std::sort(swaps.begin(), swaps.end());
  const double total = f[last].start - f[first].start;
  return {1000.0 * static_cast<double>(last - first) / total, periods[periods.size() / 2], periods.back(),
          swaps[swaps.size() / 2], drawn, total};
}

void PrintSpan(const char* what, int fade, const Span& s) {
  std::printf("%s %d %.1f %.1f %.1f %.1f %d %.0f\n", what, fade, s.frames_per_second, s.median_ms, s.longest_ms,
              s.median_swap_ms, s.drawn, s.length_ms);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: fade_bench DATA_FOLDER [FADES]\n");
    return 2;
  }
  const int fades = argc > 2 ? std::max(1, _wtoi(argv[2])) : 2;
  SetDataFolder(argv[1]);
  for (auto* key : {&settings.photo_site, &settings.image_prefix, &settings.weather_host, &settings.update_host,
                    &settings.web_host})
    key->Assign(L"http://127.0.0.1:9");
  CreateLocks();
  const GdiplusSession gdiplus;
  SaverScreens screens;
  if (!gdiplus.started() || !screens.Open(SaverMode::Saver, nullptr, MonitorMode::Primary) ||
      screens.Slideshows().empty()) {
    std::fprintf(stderr, "the saver window could not be opened\n");
    return 1;
  }
  PrepareSlideshows();
  std::printf("screen %dx%d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));

  std::vector<FrameTimes> frames;
  FramePacer pacer;
  int measured = 0;
  const double deadline = NowMs() + 15000.0 * (fades + 1);
  int result = 0;
  while (measured < fades) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        std::fprintf(stderr, "the saver window was told to close\n");
        result = 1;
        break;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (result != 0) break;
    if (NowMs() > deadline) {
      std::fprintf(stderr, "no cross-fade finished in time: does the folder hold two photos?\n");
      result = 1;
      break;
    }
    if (!pacer.FrameDue()) {
      pacer.WaitForFrameOrMessage();
      continue;
    }
    FrameTimes frame{NowMs(), 0.0, nullptr, false};
    double swap_start = 0.0;
    screens.ForEachSlideshow([&](Slideshow& show) {
      show.Advance(pacer.FrameStartMs());
      frame.slot = &show.CurrentSlot();
      frame.drawn = show.DrawFrame(pacer.FrameStartMs());
      swap_start = NowMs();
      return frame.drawn;
    });
    if (frame.drawn) frame.swap = NowMs() - swap_start;
    frames.push_back(frame);
    const size_t k = frames.size() - 1;
    if (k == 0 || frames[k].slot == frames[k - 1].slot) continue;
    size_t fade_frames = 0;
    while (fade_frames < k && frames[k - 1 - fade_frames].drawn) ++fade_frames;
    if (fade_frames > 0 && k >= 2 * fade_frames) {
      ++measured;
      std::printf("fade-frames %zu\n", fade_frames);
      PrintSpan("fade", measured, Measure(frames, k - fade_frames, k));
      PrintSpan("hold", measured, Measure(frames, k - 2 * fade_frames, k - fade_frames));
    }
  }
  stop_downloads = true;
  stop_refresh = true;
  screens.Close();
  return result;
}
