// How pictures get into the slide slots' textures: photos decoded from
// files, and every canvas uploaded.
//
// The uploads on the render thread only, with the
// saver window's GL context current; everything without GL runs on the slide
// builder thread in the show.
#pragma once

#include <windows.h>
#include <GL/gl.h>

#include <cstdint>
#include <string>

#include "drawing/photo_fit.h"
#include "slideshow/slide_sequencer.h"

class ImagingCodecs;

// A photo's slide build in two halves; the show runs the first on the builder
// thread (slideshow/slide_builder_win.h). The first, without GL: the photo read from the imaging codecs in bands
// (PhotoDecoder) and drawn upright, as its Exif orientation says, onto
// `canvas` (side x side texels, bottom row first) by
// DrawPictureSourceOnCanvas, with the calling thread's `codecs`.
// An undecodable photo leaves the canvas black and returns an empty fit.
PhotoFit DecodePhotoOntoCanvas(const ImagingCodecs& codecs, const std::wstring& path, uint32_t* canvas,
                               int side = kTextureSize);

// The second half of every slide build: the canvas becomes the texture's
// level 0, of the fit's side, or of the largest half of it that the driver
// takes: never above GL_MAX_TEXTURE_SIZE nor `max_side` (when above 0), and
// halved again after each refused upload (out of memory). Returns the fit's
// unrounded size at the side taken, the size of the slot's picture with that
// side; an empty size (a black slot) when no side was taken.
SlideSize UploadSlideCanvas(const uint32_t* canvas, const PhotoFit& fit, GLuint texture, int max_side = 0);
