// The slideshow as the main loop drives it: one step and one frame at a time.
#pragma once

#include <cstdint>

void AdvanceSlideshow();

// Draws the current state into the back buffer and returns true, after which
// the caller swaps buffers; false when the window already shows this
// picture, and nothing was drawn. Fades draw every frame; `tick`, the
// frame's start in milliseconds, sets how far a fade has come.
bool DrawFrame(uint32_t tick);

// The window's picture may have been spoilt: the next frame draws.
void RedrawSlideshow();

// Draws slot 0 or 1 at the given opacity, centred and fitted into a viewport
// of w x h pixels. A slot without a picture (0 wide or high) draws nothing.
void DrawSlide(int slot, float opacity, float w, float h);

// The next step starts the show over on the current photo list; the photo
// scan calls this.
void RestartSlideshow();
