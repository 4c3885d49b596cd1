#include "slideshow/photo_fit.h"

#include <algorithm>

PhotoFit FitPhoto(uint32_t pixel_width, uint32_t pixel_height) {
  constexpr float side = static_cast<float>(kTextureSize);
  PhotoFit fit;
  fit.width = static_cast<float>(pixel_width);
  fit.height = static_cast<float>(pixel_height);
  if (fit.width > side || fit.height > side) {
    const float scale = std::max(fit.width / side, fit.height / side);
    fit.width /= scale;
    fit.height /= scale;
  }
  // The margin is truncated before it is halved, and the halving is integer
  // division toward zero, so the picture's last row or column may touch the
  // canvas edge but never crosses it.
  fit.x = static_cast<int>(side - fit.width) / 2;
  fit.y = static_cast<int>(side - fit.height) / 2;
  fit.w = static_cast<int>(fit.width);
  fit.h = static_cast<int>(fit.height);
  return fit;
}
