// When mouse movement ends the saver: the first position seen is remembered,
// and any later position that differs from it, by any distance, ends the show.
#pragma once

#include <cstdint>

// Positions are in screen pixels, negative left of or above the primary monitor.
struct FirstMouseRule {
  bool seen = false;
  int32_t x = 0;
  int32_t y = 0;

  // Returns true when this move should end the saver.
  bool Moved(int32_t px, int32_t py) {
    if (!seen) {
      seen = true;
      x = px;
      y = py;
      return false;
    }
    return px != x || py != y;
  }
};
