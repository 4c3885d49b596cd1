// What the overlay slides (weather panels, notice) share: the drawn bitmap
// copied into the slide canvas, the overlay's fit, the text font and bounded
// text formatting. No GL: overlays are drawn on the slide builder thread.
#pragma once

#include <windows.h>

#include <cstdint>

#include "drawing/gdiplus_objects_win.h"
#include "drawing/photo_fit.h"

// The last step of every overlay drawing: the kTextureSize-square bitmap's
// pixels, locked, copied straight into `canvas` in the texture's row order.
// A bitmap that cannot be read gives an all-black canvas.
void CopyBitmapToCanvas(GdiplusBitmap& bitmap, uint32_t* canvas);

// The fit of an overlay: the whole canvas is its picture, and the slot is
// slot_width x slot_height.
PhotoFit OverlayFit(float slot_width, float slot_height);

// Em size in points, "Georgia" or else the generic sans-serif family. The
// font's handle is empty when neither exists; text drawn with it is missing.
GdiplusFont CreateTextFont(float size);

// Characters of every FormatText buffer, terminator included.
inline constexpr int kTextBufferSize = 100;

// Wide printf (%s takes a wide string) into buffer; output longer than 99
// characters is cut, and the buffer is always terminated.
void FormatText(wchar_t (&buffer)[kTextBufferSize], const wchar_t* format, ...);
