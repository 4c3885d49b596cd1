#include "base/power_state.h"

std::optional<PowerEvent> DisplayStateEvent(uint32_t value) {
  switch (value) {
    case 0:
      return PowerEvent::DisplayOff;
    case 1:
    case 2:
      return PowerEvent::DisplayOn;
    default:
      return std::nullopt;
  }
}

bool PowerState::Apply(PowerEvent event) {
  const bool before = NobodyLooks();
  switch (event) {
    case PowerEvent::DisplayOff:
      displays_off_ = true;
      break;
    case PowerEvent::DisplayOn:
      displays_off_ = false;
      break;
    case PowerEvent::Suspend:
      asleep_ = true;
      break;
    case PowerEvent::Resume:
      asleep_ = false;
      break;
  }
  return NobodyLooks() != before;
}
