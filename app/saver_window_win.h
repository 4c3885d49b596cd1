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
// when it took longer), and wakes early for any message.
class FramePacer {
 public:
  FramePacer();
  FramePacer(const FramePacer&) = delete;
  FramePacer& operator=(const FramePacer&) = delete;

  // True when the last frame's 20 ms are over; the next frame starts now.
  bool FrameDue();
  // When the current frame started, in milliseconds of the performance
  // counter: fades are timed by it, since the tick count moves in steps of
  // up to 16 ms and would repeat or skip a 20 ms fade step.
  uint32_t FrameStartMs() const;
  // Waits until the next frame is due or a message arrives.
  void WaitForFrameOrMessage();

 private:
  int64_t Remaining100ns() const;

  // A high-resolution waitable timer where the system has one, since plain
  // waits may round up to the scheduler's tick; empty when none could be made.
  KernelHandle timer_;
  int64_t frame_start_ = 0;  // performance counter ticks
  int64_t frequency_ = 1;
};
