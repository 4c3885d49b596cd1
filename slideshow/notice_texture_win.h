// The new-version notice slide: the warning icon above a few centred lines
// naming the new version and the download page. No GL: the show draws it on
// the slide builder thread.
#pragma once

#include <windows.h>

#include <cstdint>

#include "drawing/gdiplus_objects_win.h"
#include "drawing/photo_fit.h"

// Draws the notice for the primary screen onto `canvas` (kCanvasTexels
// texels), with the embedded warning icon, and returns the slot's fit.
PhotoFit BuildNoticeTexture(uint32_t* canvas);

// The same for a screen of screen_width x screen_height pixels and any icon
// (null: none), drawn at its natural size.
PhotoFit BuildNoticeTextureForScreen(uint32_t* canvas, int screen_width, int screen_height, Gdiplus::GpImage* icon);
