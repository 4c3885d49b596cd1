// Photos opened with the Windows imaging codecs and read in bands of rows, so
// the slide builder never holds a decoded photo twice: the codec keeps the
// decoded picture, and the drawing takes a band of it at a time.
#pragma once

#include <windows.h>
#include <wincodec.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/win_handle.h"
#include "drawing/photo_fit.h"
#include "slideshow/colour_to_srgb_win.h"

// COM for the calling thread for as long as it lives, unless the thread has
// it already in another model (COM is usable then too).
class ComApartment {
 public:
  ComApartment() : owned_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
  ~ComApartment() {
    if (owned_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  const bool owned_;
};

// COM and the imaging factory of the calling thread, made once and used by
// every photo that thread decodes. The factory is null when either is missing.
class ImagingCodecs {
 public:
  ImagingCodecs();
  ImagingCodecs(const ImagingCodecs&) = delete;
  ImagingCodecs& operator=(const ImagingCodecs&) = delete;

  IWICImagingFactory* factory() const { return factory_.get(); }

 private:
  // Declared first, so COM outlives the factory.
  ComApartment com_;
  ComPtr<IWICImagingFactory> factory_;
};

// The first frame of a picture file as 24-bit rows in the order blue, green,
// red (PictureView's layout), as stored, with the Exif orientation that
// stands them upright. Whatever the file's layout (grey, RGB, CMYK, with
// alpha, which lies over black), the codec gives 32-bit pixels; a JPEG's
// embedded colour profile other than sRGB is converted to sRGB as the rows
// are read. The file's header is looked at first (photo_header.h), so no
// codec sees a photo it may not decode. On the thread of `codecs`, which must
// outlive the decoder.
class PhotoDecoder {
 public:
  // Empty (width and height 0) when the file is missing, its header refuses
  // it or no codec can decode it.
  PhotoDecoder(const ImagingCodecs& codecs, const std::wstring& path);

  int width() const { return width_; }
  int height() const { return height_; }
  // 1 to 8; 1 when the file says nothing or cannot be read.
  int orientation() const { return orientation_; }
  // A source reading this photo's rows; valid while the decoder lives.
  PictureSource Source();

 private:
  bool ReadRows(int first, int count, uint8_t* out, std::ptrdiff_t stride);

  ComPtr<IWICBitmapDecoder> decoder_;
  ComPtr<IWICBitmapFrameDecode> frame_;
  ComPtr<IWICFormatConverter> converter_;
  // The converter, or the frame when it gives the wanted format itself.
  IWICBitmapSource* rows_ = nullptr;
  // The conversion to sRGB and the layout the codec gives for it; without a
  // conversion the codec gives B, G, R, A.
  std::unique_ptr<ColourToSrgb> colour_;
  ColourLayout layout_ = ColourLayout::Bgrx;
  // One band as the codec gives it, and one row converted to sRGB.
  std::vector<uint8_t> band_;
  std::vector<uint8_t> converted_;
  int width_ = 0;
  int height_ = 0;
  int orientation_ = 1;
};
