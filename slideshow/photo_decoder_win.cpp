#include "slideshow/photo_decoder_win.h"

#include <climits>
#include <vector>

#include "slideshow/exif_orientation.h"

ImagingCodecs::ImagingCodecs() {
  IWICImagingFactory* factory = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                 reinterpret_cast<void**>(&factory))))
    factory_.reset(factory);
}

PhotoDecoder::PhotoDecoder(const ImagingCodecs& codecs, const std::wstring& path) {
  IWICImagingFactory* const factory = codecs.factory();
  if (path.empty() || factory == nullptr) return;
  // One stream for the orientation and the pixels, so both come from the
  // same file even if the cache replaces it meanwhile.
  IWICStream* opened = nullptr;
  if (FAILED(factory->CreateStream(&opened))) return;
  const ComPtr<IWICStream> stream(opened);
  if (FAILED(stream.get()->InitializeFromFilename(path.c_str(), GENERIC_READ))) return;
  std::vector<uint8_t> head(kOrientationReadLimit);
  ULONG got = 0;
  if (FAILED(stream.get()->Read(head.data(), static_cast<ULONG>(head.size()), &got))) return;
  orientation_ = ReadExifOrientation(head.data(), got);
  if (FAILED(stream.get()->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr))) return;
  // The decoder keeps its own reference to the stream.
  IWICBitmapDecoder* decoder = nullptr;
  if (FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, &decoder)))
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
  PictureSource source{width_, height_, {}, orientation_};
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
