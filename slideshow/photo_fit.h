// Where a photo of a given pixel size lies on the square slide canvas.
#pragma once

#include <cstdint>

// Side of every slide texture and of the canvas it is drawn on, in texels.
inline constexpr int kTextureSize = 2048;

struct PhotoFit {
  // The picture's size on the canvas, unrounded: the slot keeps these so the
  // sequencer can cut away exactly the black margin.
  float width = 0;
  float height = 0;
  // The integer rectangle the decoder draws into, centred on the canvas.
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
};

// Fits a picture of pixel_width x pixel_height onto the canvas: larger pictures
// shrink until their longer side (relative to the canvas) is kTextureSize,
// smaller ones keep their size; the result is centred.
PhotoFit FitPhoto(uint32_t pixel_width, uint32_t pixel_height);
