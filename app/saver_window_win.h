// The windows the slideshows draw into, each with its OpenGL context, and the
// black windows over the monitors without a slideshow.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "app/command_line.h"
#include "app/monitor_plan.h"
#include "base/win_handle.h"

class Slideshow;

// A saver window: one that shows `show`, which outlives it, or one that is
// only black (`show` null).
struct SaverScreen {
  ScreenRect rect;  // Preview mode fills the host's window instead
  Slideshow* show = nullptr;
};

// The monitors as the system reports them now, in virtual-screen pixels,
// planned for `mode` (see PlanSaverWindows).
std::vector<SaverWindowPlan> PlanSaverScreens(MonitorMode mode);

// In Saver mode a pop-up over each screen's rectangle, the first one active,
// the black ones top-most; in Preview mode one child filling `parent` for the
// first screen. Every slideshow window has an OpenGL context of its own. On
// failure everything already made is undone and false is returned.
bool CreateSaverWindows(SaverMode mode, HWND parent, std::span<const SaverScreen> screens);
void DestroySaverWindows();

// Makes the OpenGL context of screen `index`'s window current and returns the
// window's DC; null for a black window.
HDC SelectSaverScreen(std::size_t index);

// Paces the main loop's frames at 20 ms each, the frame's own work included:
// after a frame the loop waits only for what is left of its 20 ms (nothing
// when it took longer), and wakes early for any message. While the shows hold
// still the next frame comes only when one of them wants it.
class FramePacer {
 public:
  FramePacer();
  FramePacer(const FramePacer&) = delete;
  FramePacer& operator=(const FramePacer&) = delete;

  // True when the next frame is due; it starts now.
  bool FrameDue();
  // When the current frame started, on the show clock (ShowClockMs): holds
  // and fades are timed by it.
  uint32_t FrameStartMs() const;
  // The frame that started last wants the next one `due_in_ms` after its
  // start: at least 20 ms, more while every show holds still, at most a
  // minute.
  void NextFrameIn(int32_t due_in_ms);
  // A message was handled, which may have spoilt a picture or moved a show
  // on: the next frame comes at the normal pace.
  void FrameSoon();
  // Waits until the next frame is due or a message arrives; a message, sent
  // ones included, brings the next frame in (FrameSoon).
  void WaitForFrameOrMessage();
  // Nobody looks: waits for a message alone, with no timer.
  static void WaitForMessage();

 private:
  int64_t Remaining100ns() const;

  // A high-resolution waitable timer where the system has one, since plain
  // waits may round up to the scheduler's tick; empty when none could be made.
  KernelHandle timer_;
  int64_t frame_start_ = 0;  // performance counter ticks
  int64_t next_due_ = 0;     // performance counter ticks
  uint32_t frame_start_ms_ = 0;
  int64_t frequency_ = 1;
};
