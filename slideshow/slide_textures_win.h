// The two slide slots and how pictures get into them: photos decoded from
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

class ImagingCodecs;

struct SlideSlot {
  // Generated and deleted by the sequencer; the builders only bind and fill it.
  GLuint texture;
  // Size in texels of the picture centred in the texture (the rest is black).
  float width, height;
};

extern SlideSlot slideSlots[2];
// The slot the sequencer holds on screen (or fades out); set every step.
extern int currentSlot;

// A photo's slide build in two halves; the show runs the first on the builder
// thread (slideshow/slide_builder_win.h). The first, without GL: the photo read from the imaging codecs in bands
// (PhotoDecoder) and drawn onto `canvas` (kCanvasTexels texels, bottom row
// first) by DrawPictureSourceOnCanvas, with the calling thread's `codecs`.
// An undecodable photo leaves the canvas black and returns an empty fit.
PhotoFit DecodePhotoOntoCanvas(const ImagingCodecs& codecs, const std::wstring& path, uint32_t* canvas);

// The second half of every slide build: the canvas becomes the texture's
// level 0 and the fit's unrounded size the slot's.
void UploadSlideCanvas(const uint32_t* canvas, const PhotoFit& fit, GLuint texture, int slot);
