#include "base/power_state.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Notifications in order ("0", "1", "2": display off, on, dimmed; "s", "r":
// suspend, resume; "7": a value that says nothing), and after each whether
// nobody looks ('y') and whether that changed ('c').
TEST(PowerState, NobodyLooksWhileEveryDisplayIsOffOrTheMachineSleeps) {
  struct Case {
    const char *events, *nobody, *changed;
  };
  const Case cases[] = {
      {"01", "yn", "cc"},       {"20", "ny", "-c"},    {"007", "yyy", "c--"},   {"02", "yn", "cc"},
      {"0sr1", "yyyn", "c--c"}, {"s1r", "yyn", "c-c"}, {"srr", "ynn", "cc-"},
  };
  for (const Case& c : cases) {
    PowerState state;
    std::string nobody, changed;
    for (const char* e = c.events; *e != '\0'; ++e) {
      std::optional<PowerEvent> event = *e == 's' ? PowerEvent::Suspend : PowerEvent::Resume;
      if (*e != 's' && *e != 'r') event = DisplayStateEvent(static_cast<uint32_t>(*e - '0'));
      changed += event && state.Apply(*event) ? 'c' : '-';
      nobody += state.NobodyLooks() ? 'y' : 'n';
    }
    EXPECT_EQ(nobody, c.nobody) << c.events;
    EXPECT_EQ(changed, c.changed) << c.events;
  }
}

}  // namespace
