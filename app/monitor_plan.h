// Which windows the full-screen saver opens, and where: one per monitor the
// "monitors" setting covers, the primary monitor's first.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "settings/settings.h"

// A rectangle in virtual-screen pixels, right and bottom exclusive.
struct ScreenRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool operator==(const ScreenRect&) const = default;
};

// `name` is the monitor's device name, which stays the same while the
// monitor stays connected, whatever its place or size.
struct MonitorArea {
  ScreenRect rect;
  bool primary = false;
  std::wstring name;
};

// A window that shows a slideshow, or one that is only black, over the
// monitor named `monitor`.
struct SaverWindowPlan {
  ScreenRect rect;
  bool slideshow = true;
  std::wstring monitor;
  bool operator==(const SaverWindowPlan&) const = default;
};

// The windows for `mode` over the monitors the system reports, in any order:
// the primary monitor's first (the first reported when none says it is
// primary), then the others in reported order; monitors without area are left
// out. With no monitor at all, one slideshow on `primary_screen`.
std::vector<SaverWindowPlan> PlanSaverWindows(MonitorMode mode, std::span<const MonitorArea> monitors,
                                              const ScreenRect& primary_screen);

// After a display change: for each window of `next`, the index in `now` of
// the window that stays for it, or -1 for a new one. A window stays when its
// monitor is still there and keeps its kind (black or a slideshow), and then
// follows the monitor's rectangle; every window of `now` that no entry names
// closes.
std::vector<int> MatchSaverWindows(std::span<const SaverWindowPlan> now, std::span<const SaverWindowPlan> next);
