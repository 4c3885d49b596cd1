// The windows the slideshows draw into, each with its OpenGL context, and the
// black windows over the monitors without a slideshow; the main loop's pace.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "app/command_line.h"
#include "app/input_rule.h"
#include "app/monitor_plan.h"
#include "base/win_handle.h"
#include "settings/settings.h"
#include "slideshow/slideshow_win.h"

// One saver window: the window and, when it shows a slideshow, its DC, GL
// context and show, destroyed in reverse order: show, context, DC, window.
struct SaverScreen;

// The saver's windows and their slideshows, in one place: in Saver mode a
// top-level window over each monitor the "monitors" setting covers, the
// primary's first, planned again from the monitors as they are after every
// display change; in Preview mode one child filling the host's window. Every
// slideshow window has a GL context of its own; a monitor whose window or
// context cannot be made is covered by a plain black window instead. Main
// thread only.
class SaverScreens final : public SlideshowPeers {
 public:
  SaverScreens();
  ~SaverScreens();
  SaverScreens(const SaverScreens&) = delete;
  SaverScreens& operator=(const SaverScreens&) = delete;

  // Opens the windows, each show started (Slideshow::Start) on the photos
  // PrepareSlideshows finds before the first step; false when not one
  // window could be made.
  bool Open(SaverMode mode, HWND parent, MonitorMode monitors);
  // Hands every slideshow to `draw` with its window's context current; when
  // `draw` returns true (it drew a frame) that window's buffers are swapped.
  void ForEachSlideshow(const std::function<bool(Slideshow&)>& draw);
  // After a display change: the windows follow the monitors as they are
  // now; the saver ends when not one window could be made. Nothing happens
  // when no change was reported since the last call.
  void FollowDisplayChange();
  // Closes every window and ends every show.
  void Close();

  std::span<Slideshow* const> Slideshows() const override { return shows_; }

 private:
  friend LRESULT CALLBACK SaverWindowProc(HWND, UINT, WPARAM, LPARAM);

  std::unique_ptr<SaverScreen> OpenScreen(const SaverWindowPlan& plan, bool show);
  void Replan(const std::vector<SaverWindowPlan>& plans);
  void GiveKeyboardToFirst();
  void ListSlideshows();

  struct Resources;
  std::unique_ptr<Resources> resources_;
  std::vector<Slideshow*> shows_;  // the screens' slideshows, in their order
  SaverMode mode_ = SaverMode::Saver;
  HWND parent_ = nullptr;
  MonitorMode monitors_ = MonitorMode::Primary;
  FirstMouseRule first_mouse_;
  bool display_changed_ = false;
};

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
