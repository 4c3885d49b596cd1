#include "slideshow/photo_decoder_win.h"

#include <climits>

ImagingCodecs::ImagingCodecs() {
  IWICImagingFactory* factory = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                 reinterpret_cast<void**>(&factory))))
    factory_.reset(factory);
}

PhotoDecoder::PhotoDecoder(const ImagingCodecs& codecs, const std::wstring& path) {
  IWICImagingFactory* const factory = codecs.factory();
  if (path.empty() || factory == nullptr) return;
  IWICBitmapDecoder* decoder = nullptr;
  if (FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                         WICDecodeMetadataCacheOnDemand, &decoder)))
    return;
  decoder_.reset(decoder);
  IWICBitmapFrameDecode* frame = nullptr;
  if (FAILED(decoder_.get()->GetFrame(0, &frame))) return;
  frame_.reset(frame);
  IWICFormatConverter* converter = nullptr;
  if (FAILED(factory->CreateFormatConverter(&converter))) return;
  pixels_.reset(converter);
  UINT width = 0, height = 0;
  if (FAILED(pixels_.get()->Initialize(frame_.get(), GUID_WICPixelFormat24bppBGR, WICBitmapDitherTypeNone, nullptr,
                                       0.0, WICBitmapPaletteTypeCustom)) ||
      FAILED(pixels_.get()->GetSize(&width, &height)) || width > INT_MAX || height > INT_MAX)
    return;
  width_ = static_cast<int>(width);
  height_ = static_cast<int>(height);
}

PictureSource PhotoDecoder::Source() {
  PictureSource source{width_, height_, {}};
  if (width_ > 0 && height_ > 0) {
    source.read = [this](int first, int count, uint8_t* out, std::ptrdiff_t stride) {
      return ReadRows(first, count, out, stride);
    };
  }
  return source;
}

bool PhotoDecoder::ReadRows(int first, int count, uint8_t* out, std::ptrdiff_t stride) {
  const WICRect rows{0, first, width_, count};
  const std::ptrdiff_t size = stride * count;
  if (stride <= 0 || stride > UINT_MAX || size > UINT_MAX) return false;
  return SUCCEEDED(
      pixels_.get()->CopyPixels(&rows, static_cast<UINT>(stride), static_cast<UINT>(size), out));
}
