// The window the slideshow draws into, with its OpenGL context.
#pragma once

#include <windows.h>

#include <cstdint>

#include "app/command_line.h"
#include "base/win_handle.h"

class Slideshow;

// Full-screen pop-up in Saver mode, a child filling `parent` in Preview mode,
// showing `show`, which outlives the window. On failure everything already
// made is undone and false is returned.
bool CreateSaverWindow(SaverMode mode, HWND parent, Slideshow& show);
void DestroySaverWindow();

HDC SaverDC();

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
