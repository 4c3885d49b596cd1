// The slideshow as the main loop drives it: one step and one frame at a time.
#pragma once

void AdvanceSlideshow();

// Draws the current state into the back buffer and sleeps 20 ms; the caller
// swaps buffers. Always true.
bool DrawFrame();
