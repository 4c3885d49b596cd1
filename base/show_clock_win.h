// The clock the slideshow times itself by: holds, fades and build limits.
#pragma once

#include <cstdint>

// Milliseconds of the unbiased interrupt time, which does not count time the
// machine spent asleep or hibernating, so nothing is judged across a sleep:
// a build that runs when the PC suspends is not given up at resume, and a
// hold does not end the moment the machine wakes. Wraps after 49.7 days like
// the tick count; users take differences only. Precise to the performance
// counter where the system offers that (Windows 10), since the interrupt
// time moves in steps of up to 16 ms, and a 20 ms fade step would then be
// repeated or skipped. Any thread.
uint32_t ShowClockMs();
