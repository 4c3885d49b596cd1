#include "app/monitor_plan.h"

#include <algorithm>

std::vector<SaverWindowPlan> PlanSaverWindows(MonitorMode mode, std::span<const MonitorArea> monitors,
                                              const ScreenRect& primary_screen) {
  std::vector<MonitorArea> usable;
  for (const MonitorArea& m : monitors)
    if (m.rect.right > m.rect.left && m.rect.bottom > m.rect.top) usable.push_back(m);
  if (usable.empty()) return {SaverWindowPlan{primary_screen, true, {}}};
  const auto primary = std::find_if(usable.begin(), usable.end(), [](const MonitorArea& m) { return m.primary; });
  if (primary != usable.end()) std::rotate(usable.begin(), primary, primary + 1);

  std::vector<SaverWindowPlan> plan{SaverWindowPlan{usable.front().rect, true, usable.front().name}};
  if (mode == MonitorMode::Primary) return plan;
  for (std::size_t i = 1; i < usable.size(); ++i) plan.push_back(SaverWindowPlan{usable[i].rect, mode == MonitorMode::All, usable[i].name});
  return plan;
}

std::vector<int> MatchSaverWindows(std::span<const SaverWindowPlan> now, std::span<const SaverWindowPlan> next) {
  std::vector<bool> taken(now.size(), false);
  std::vector<int> match;
  for (const SaverWindowPlan& want : next) {
    int found = -1;
    for (std::size_t i = 0; i < now.size() && found < 0; ++i) {
      if (taken[i] || now[i].monitor != want.monitor || now[i].slideshow != want.slideshow) continue;
      taken[i] = true;
      found = static_cast<int>(i);
    }
    match.push_back(found);
  }
  return match;
}
