#include "slideshow/slide_textures_win.h"

#include <cstdint>
#include <vector>

#include "drawing/photo_fit.h"
#include "slideshow/photo_decoder_win.h"

PhotoFit DecodePhotoOntoCanvas(const ImagingCodecs& codecs, const std::wstring& path, uint32_t* canvas, int side) {
  PhotoDecoder photo(codecs, path);
  const PhotoFit fit = FitPhoto(static_cast<uint32_t>(photo.width()), static_cast<uint32_t>(photo.height()),
                                photo.orientation(), side);
  if (!DrawPictureSourceOnCanvas(photo.Source(), fit, canvas)) return FitPhoto(0, 0, 1, side);
  RepeatPictureEdges(fit, canvas);
  return fit;
}

SlideSize UploadSlideCanvas(const uint32_t* canvas, const PhotoFit& fit, GLuint texture, int max_side) {
  GLint limit = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
  if (max_side > 0 && (limit <= 0 || max_side < limit)) limit = max_side;
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  // The canvas at each smaller side, made only when the full side is not taken.
  std::vector<uint32_t> halved;
  int halved_side = fit.side;
  const int side = UploadAtFittingSide(fit.side, limit, [&](int try_side) {
    while (halved_side > try_side) {
      if (halved.empty()) {
        halved.resize(CanvasTexelCount(halved_side / 2));
        HalveCanvas(canvas, halved_side, halved.data());
      } else {
        HalveCanvas(halved.data(), halved_side, halved.data());
      }
      halved_side /= 2;
    }
    // An error left from before must not pass for this upload's.
    for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; ++i) {
    }
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, try_side, try_side, 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE,
                 halved.empty() ? canvas : halved.data());
    return glGetError() == GL_NO_ERROR;
  });
  if (side == 0) return SlideSize{};
  const float scale = static_cast<float>(side) / static_cast<float>(fit.side);
  return SlideSize{fit.width * scale, fit.height * scale, side};
}
