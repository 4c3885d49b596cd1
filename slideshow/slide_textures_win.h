// How pictures get into the slide slots' textures: photos decoded from
// files, overlay canvases uploaded, and the helpers the overlay builders share
// (text font, bounded text formatting, embedded images).
//
// The uploads on the render thread only, with the
// saver window's GL context current; everything without GL runs on the slide
// builder thread in the show.
#pragma once

#include <windows.h>
#include <GL/gl.h>

#include <cstdint>
#include <string>

#include "app/win_handle.h"
#include "slideshow/gdiplus_objects_win.h"
#include "slideshow/photo_fit.h"
#include "slideshow/slide_sequencer.h"

class ImagingCodecs;

// A photo's slide build in two halves; the show runs the first on the builder
// thread (slideshow/slide_builder_win.h). The first, without GL: the photo read from the imaging codecs in bands
// (PhotoDecoder) and drawn upright, as its Exif orientation says, onto
// `canvas` (kCanvasTexels texels, bottom row first) by
// DrawPictureSourceOnCanvas, with the calling thread's `codecs`.
// An undecodable photo leaves the canvas black and returns an empty fit.
PhotoFit DecodePhotoOntoCanvas(const ImagingCodecs& codecs, const std::wstring& path, uint32_t* canvas);

// The second half of every slide build: the canvas becomes the texture's
// level 0; returns the fit's unrounded size, the size of the slot's picture.
SlideSize UploadSlideCanvas(const uint32_t* canvas, const PhotoFit& fit, GLuint texture);

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

struct GlobalMemoryTraits {
  using Native = HGLOBAL;
  static Native Invalid() { return nullptr; }
  static void Close(Native h) { GlobalFree(h); }
};
struct StreamTraits {
  using Native = IStream*;
  static Native Invalid() { return nullptr; }
  static void Close(Native h) { h->Release(); }
};

// An image decoded from an embedded resource, with the memory block and the
// stream GDI+ keeps reading from lazily. Members go in reverse order: the
// image first, the block last.
struct ResourceImage {
  UniqueHandle<GlobalMemoryTraits> block;
  UniqueHandle<StreamTraits> stream;
  GdiplusImage image;
};

// Decodes resource (type, id) of the program's own module. The result's image
// is empty when the resource is missing or cannot be decoded.
ResourceImage LoadPngResource(const wchar_t* type, int id);

// The cached image of the resource table's row for id, decoded on first use;
// null for an id the table lacks or an image that could not be loaded.
GdiplusImage* GetResourceImage(int id);

struct ResourceImageRow {
  const wchar_t* type;
  int id;
  ResourceImage cached;
};

// The embedded images: weather condition icons 2000..2029 and the notice's
// warning icon 2100, each cached from first use until ReleaseResourceImages.
// The row with id 0 ends the table. Never destroyed, so an image stays
// drawable until the process is gone.
inline constexpr int kResourceImageRows = 31;
extern ResourceImageRow* const ResourceImageTable;

// Frees every cached resource image; must run before GDI+ shuts down.
void ReleaseResourceImages();
