// Whether anybody can see the show, as the system's power notifications tell
// it: the console's displays switching off and on, and the machine going to
// sleep and waking. While nobody looks the saver spends nothing: no frame, no
// slide change, no build and no download starts.
#pragma once

#include <cstdint>
#include <optional>

enum class PowerEvent { DisplayOff, DisplayOn, Suspend, Resume };

// The value of a display-state notification: the console's displays (0 off,
// 1 on, 2 dimmed) or, where that notification is not offered, the monitors'
// power (0 off, 1 on). Dimmed counts as on: the picture can still be seen.
// Any other value says nothing.
std::optional<PowerEvent> DisplayStateEvent(uint32_t value);

class PowerState {
 public:
  // Applies `event`; true when it changed whether anybody looks.
  bool Apply(PowerEvent event);
  // Every display is off or the machine sleeps. After a wake the displays may
  // still be off (a wake for maintenance): nobody looks until they come on.
  bool NobodyLooks() const { return displays_off_ || asleep_; }

 private:
  bool displays_off_ = false;
  bool asleep_ = false;
};
