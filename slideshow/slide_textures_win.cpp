#include "slideshow/slide_textures_win.h"

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

SlideSize UploadSlideCanvas(const uint32_t* canvas, const PhotoFit& fit, GLuint texture) {
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, fit.side, fit.side, 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE, canvas);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  return SlideSize{fit.width, fit.height, fit.side};
}
