// Which windows the full-screen saver opens, and where: one per monitor the
// "monitors" setting covers, the primary monitor's first.
#pragma once

#include <cstdint>
#include <span>
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

struct MonitorArea {
  ScreenRect rect;
  bool primary = false;
};

// A window that shows a slideshow, or one that is only black.
struct SaverWindowPlan {
  ScreenRect rect;
  bool slideshow = true;
  bool operator==(const SaverWindowPlan&) const = default;
};

// The windows for `mode` over the monitors the system reports, in any order:
// the primary monitor's first (the first reported when none says it is
// primary), then the others in reported order; monitors without area are left
// out. With no monitor at all, one slideshow on `primary_screen`.
std::vector<SaverWindowPlan> PlanSaverWindows(MonitorMode mode, std::span<const MonitorArea> monitors,
                                              const ScreenRect& primary_screen);
