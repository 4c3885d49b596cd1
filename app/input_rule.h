// When mouse movement ends the saver: the first position seen is remembered,
// and any later position that differs from it, by any distance, ends the show.
#pragma once

#include <cstdint>

struct FirstMouseRule {
  int32_t x = -1;
  int32_t y = -1;

  // Returns true when this move should end the saver.
  bool Moved(uint16_t px, uint16_t py) {
    if (x < 0 || y < 0) {
      x = px;
      y = py;
      return false;
    }
    return px != x || py != y;
  }
};
