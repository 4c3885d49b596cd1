#include "base/power_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Events in order, and after each whether nobody looks and whether that changed.
TEST(PowerState, NobodyLooksWhileEveryDisplayIsOffOrTheMachineSleeps) {
  using E = PowerEvent;
  struct Case {
    const char* name;
    std::vector<E> events;
    std::string nobody;   // after each event: 'y' nobody looks, 'n' somebody may
    std::string changed;  // 'c' when the event changed it
  };
  const Case cases[] = {
      {"off and on", {E::DisplayOff, E::DisplayOn}, "yn", "cc"},
      {"repeated notices change nothing", {E::DisplayOn, E::DisplayOff, E::DisplayOff}, "nyy", "-c-"},
      {"sleep and wake with the displays on", {E::Suspend, E::Resume}, "yn", "cc"},
      {"a wake with the displays still off", {E::DisplayOff, E::Suspend, E::Resume, E::DisplayOn}, "yyyn", "c--c"},
      {"displays on while asleep", {E::Suspend, E::DisplayOn, E::Resume}, "yyn", "c-c"},
      {"a second wake notice", {E::Suspend, E::Resume, E::Resume}, "ynn", "cc-"},
  };
  for (const Case& c : cases) {
    PowerState state;
    std::string nobody, changed;
    for (const E event : c.events) {
      changed += state.Apply(event) ? 'c' : '-';
      nobody += state.NobodyLooks() ? 'y' : 'n';
    }
    EXPECT_EQ(nobody, c.nobody) << c.name;
    EXPECT_EQ(changed, c.changed) << c.name;
  }
}

TEST(PowerState, DisplayValuesDimmedCountsAsOn) {
  EXPECT_EQ(DisplayStateEvent(0), PowerEvent::DisplayOff);
  EXPECT_EQ(DisplayStateEvent(1), PowerEvent::DisplayOn);
  EXPECT_EQ(DisplayStateEvent(2), PowerEvent::DisplayOn);
  EXPECT_EQ(DisplayStateEvent(3), std::nullopt);
  EXPECT_EQ(DisplayStateEvent(0xFFFFFFFFu), std::nullopt);
}

}  // namespace
