#include "app/monitor_plan.h"

#include <gtest/gtest.h>

namespace {

TEST(PlanSaverWindows, PrimaryFirstThenTheOthersAsTheModeSays) {
  const ScreenRect left{-1024, 0, 0, 768};
  const ScreenRect main{0, 0, 1280, 720};
  const ScreenRect right{1280, 0, 2304, 768};
  const ScreenRect fallback{0, 0, 800, 600};
  struct Case {
    const char* what;
    MonitorMode mode;
    std::vector<MonitorArea> monitors;
    std::vector<SaverWindowPlan> expected;
  };
  const Case cases[] = {
      {"primary: its monitor only", MonitorMode::Primary, {{left, false}, {main, true}, {right, false}}, {{main, true}}},
      {"black: the others black, in reported order",
       MonitorMode::Black,
       {{left, false}, {right, false}, {main, true}},
       {{main, true}, {left, false}, {right, false}}},
      {"all: a slideshow on each", MonitorMode::All, {{right, false}, {main, true}}, {{main, true}, {right, true}}},
      {"none says primary: the first reported", MonitorMode::Black, {{right, false}, {main, false}},
       {{right, true}, {main, false}}},
      {"a monitor without area is left out", MonitorMode::All, {{main, true}, {{1280, 0, 1280, 768}, false}},
       {{main, true}}},
      {"no monitor: the primary screen", MonitorMode::All, {}, {{fallback, true}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(PlanSaverWindows(c.mode, c.monitors, fallback), c.expected);
  }
}

// After a display change a window stays with its monitor while that keeps its kind.
TEST(MatchSaverWindows, WindowsStayWithTheirMonitorsAndKind) {
  const SaverWindowPlan show1{{0, 0, 1280, 720}, true, L"D1"}, small1{{0, 0, 1024, 768}, true, L"D1"},
      show2{{1280, 0, 2304, 768}, true, L"D2"}, black2{show2.rect, false, L"D2"}, black1{show1.rect, false, L"D1"};
  const struct {
    const char* what;
    std::vector<SaverWindowPlan> now, next;
    std::vector<int> expected;
  } cases[] = {
      {"the second monitor off", {show1, show2}, {show1}, {0}},
      {"the second monitor back", {show1}, {show1, show2}, {0, -1}},
      {"the primary resized", {small1, black2}, {show1, black2}, {0, 1}},
      {"black: the other monitor made primary", {show1, black2}, {show2, black1}, {-1, -1}},
      {"all: the other monitor made primary", {show1, show2}, {show2, show1}, {1, 0}},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchSaverWindows(c.now, c.next), c.expected) << c.what;
}

}  // namespace
