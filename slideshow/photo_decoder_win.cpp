#include "slideshow/photo_decoder_win.h"

#include <climits>
#include <vector>

#include "slideshow/photo_header.h"

namespace {

const WICPixelFormatGUID& CodecFormatOf(ColourLayout layout) {
  switch (layout) {
    case ColourLayout::Grey: return GUID_WICPixelFormat8bppGray;
    case ColourLayout::Cmyk: return GUID_WICPixelFormat32bppCMYK;
    case ColourLayout::Bgrx: break;
  }
  // Every layout converts to this one, grey JPEGs included; the 24-bit
  // conversion fails on those in some codecs.
  return GUID_WICPixelFormat32bppBGRA;
}

// The layout a JPEG's embedded profile describes, when it fits the photo's
// components: a grey profile for one, RGB for three, CMYK for four.
bool ProfileLayout(const PhotoHeader& header, ColourLayout* layout) {
  if (header.profile.empty() || header.profile_is_srgb) return false;
  switch (header.profile_space) {
    case ProfileSpace::Grey: *layout = ColourLayout::Grey; return header.components == 1;
    case ProfileSpace::Rgb: *layout = ColourLayout::Bgrx; return header.components == 3;
    case ProfileSpace::Cmyk: *layout = ColourLayout::Cmyk; return header.components == 4;
    default: return false;
  }
}

// B, G, R, A pixels to B, G, R over black; with `opaque` the fourth byte
// is not read (the colour engine leaves it undefined).
void DropAlpha(const uint8_t* in, int count, bool opaque, uint8_t* out) {
  for (int i = 0; i < count; ++i, in += 4, out += 3) {
    const unsigned alpha = opaque ? 255 : in[3];
    for (int c = 0; c < 3; ++c) out[c] = alpha == 255 ? in[c] : static_cast<uint8_t>((in[c] * alpha + 127) / 255);
  }
}

}  // namespace

ImagingCodecs::ImagingCodecs() {
  IWICImagingFactory* factory = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                 reinterpret_cast<void**>(&factory))))
    factory_.reset(factory);
}

PhotoDecoder::PhotoDecoder(const ImagingCodecs& codecs, const std::wstring& path) {
  IWICImagingFactory* const factory = codecs.factory();
  if (path.empty() || factory == nullptr) return;
  // One stream for the header and the pixels, so both come from the same
  // file even if the cache replaces it meanwhile.
  IWICStream* opened = nullptr;
  if (FAILED(factory->CreateStream(&opened))) return;
  const ComPtr<IWICStream> stream(opened);
  if (FAILED(stream.get()->InitializeFromFilename(path.c_str(), GENERIC_READ))) return;
  PhotoHeader header;
  {
    std::vector<uint8_t> head(kPhotoHeaderReadLimit);
    ULONG got = 0;
    if (FAILED(stream.get()->Read(head.data(), static_cast<ULONG>(head.size()), &got))) return;
    header = ReadPhotoHeader(head.data(), got);
  }
  if (!CodecMayDecode(header)) return;
  orientation_ = header.orientation;
  if (FAILED(stream.get()->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr))) return;
  // The decoder keeps its own reference to the stream.
  IWICBitmapDecoder* decoder = nullptr;
  if (FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, &decoder)))
    return;
  decoder_.reset(decoder);
  IWICBitmapFrameDecode* frame = nullptr;
  if (FAILED(decoder_.get()->GetFrame(0, &frame))) return;
  frame_.reset(frame);
  // Formats whose header the reader does not size are held to the same
  // limit before a pixel is read.
  UINT width = 0, height = 0;
  if (FAILED(frame_.get()->GetSize(&width, &height)) || !PhotoSizeAllowed(width, height)) return;
  ColourLayout layout = ColourLayout::Bgrx;
  if (ProfileLayout(header, &layout)) {
    auto colour = std::make_unique<ColourToSrgb>(header.profile);
    if (*colour) {
      colour_ = std::move(colour);
      layout_ = layout;
    }
  }
  // The codecs convert a format into itself only by reading the frame.
  WICPixelFormatGUID format{};
  if (FAILED(frame_.get()->GetPixelFormat(&format))) return;
  rows_ = frame_.get();
  if (format != CodecFormatOf(layout_)) {
    IWICFormatConverter* converter = nullptr;
    if (FAILED(factory->CreateFormatConverter(&converter))) return;
    converter_.reset(converter);
    if (FAILED(converter->Initialize(frame_.get(), CodecFormatOf(layout_), WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)))
      return;
    rows_ = converter;
  }
  if (FAILED(rows_->GetSize(&width, &height)) || !PhotoSizeAllowed(width, height) || width > INT_MAX ||
      height > INT_MAX)
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
  const std::ptrdiff_t row_bytes = static_cast<std::ptrdiff_t>(width_) * ColourLayoutBytes(layout_);
  const std::ptrdiff_t size = row_bytes * count;
  if (stride < 3 * static_cast<std::ptrdiff_t>(width_) || count <= 0 || row_bytes > UINT_MAX || size > UINT_MAX)
    return false;
  band_.resize(static_cast<std::size_t>(size));
  const WICRect rows{0, first, width_, count};
  if (FAILED(rows_->CopyPixels(&rows, static_cast<UINT>(row_bytes), static_cast<UINT>(size), band_.data())))
    return false;
  if (colour_) converted_.resize(static_cast<std::size_t>(width_) * 4);
  for (int r = 0; r < count; ++r) {
    const uint8_t* row = band_.data() + r * row_bytes;
    if (colour_) {
      if (!colour_->Convert(row, layout_, width_, converted_.data())) return false;
      row = converted_.data();
    }
    DropAlpha(row, width_, colour_ != nullptr, out + r * stride);
  }
  return true;
}
