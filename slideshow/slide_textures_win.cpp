#include "slideshow/slide_textures_win.h"

#include <cstdarg>
#include <cstring>
#include <cwchar>
#include <utility>
#include <vector>

#include "slideshow/photo_decoder_win.h"
#include "slideshow/photo_fit.h"

namespace {

ResourceImageRow MakeRow(int id) { return ResourceImageRow{L"PNG", id, {}}; }

// Frees in the order GDI+ needs: the image may still read from the stream,
// and the stream from the block.
void ClearResourceImage(ResourceImage& resource) {
  resource.image = GdiplusImage();
  resource.stream.reset();
  resource.block.reset();
}

}  // namespace

// Allocated once and deliberately never freed: the exit does not wait for a
// slide build that may be drawing one of these images.
ResourceImageRow* const ResourceImageTable = new ResourceImageRow[kResourceImageRows + 1]{
    MakeRow(2000), MakeRow(2001), MakeRow(2002), MakeRow(2003), MakeRow(2004), MakeRow(2005),
    MakeRow(2006), MakeRow(2007), MakeRow(2008), MakeRow(2009), MakeRow(2010), MakeRow(2011),
    MakeRow(2012), MakeRow(2013), MakeRow(2014), MakeRow(2015), MakeRow(2016), MakeRow(2017),
    MakeRow(2018), MakeRow(2019), MakeRow(2020), MakeRow(2021), MakeRow(2022), MakeRow(2023),
    MakeRow(2024), MakeRow(2025), MakeRow(2026), MakeRow(2027), MakeRow(2028), MakeRow(2029),
    MakeRow(2100), ResourceImageRow{L"", 0, {}},
};

PhotoFit DecodePhotoOntoCanvas(const ImagingCodecs& codecs, const std::wstring& path, uint32_t* canvas) {
  PhotoDecoder photo(codecs, path);
  const PhotoFit fit =
      FitPhoto(static_cast<uint32_t>(photo.width()), static_cast<uint32_t>(photo.height()), photo.orientation());
  return DrawPictureSourceOnCanvas(photo.Source(), fit, canvas) ? fit : FitPhoto(0, 0);
}

SlideSize UploadSlideCanvas(const uint32_t* canvas, const PhotoFit& fit, GLuint texture) {
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, kTextureSize, kTextureSize, 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE, canvas);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  return SlideSize{fit.width, fit.height};
}

void CopyBitmapToCanvas(GdiplusBitmap& bitmap, uint32_t* canvas) {
  // The bitmap is 24-bit RGB, so the lock hands out its own pixels; they are
  // copied once, straight into the canvas in the texture's row order.
  const GdiplusBitmapLock pixels(bitmap, PixelFormat24bppRGB);
  const Gdiplus::BitmapData& d = pixels.data();
  const bool whole = pixels.locked() && d.Width == kTextureSize && d.Height == kTextureSize;
  // Without pixels the texture would draw the previous slide or, with no
  // image at all, a white square; black is what an undecodable photo shows too.
  const PictureView picture{whole ? static_cast<const uint8_t*>(d.Scan0) : nullptr, kTextureSize, kTextureSize,
                            d.Stride};
  DrawPictureOnCanvas(picture, FitPhoto(kTextureSize, kTextureSize), canvas);
}

PhotoFit OverlayFit(float slot_width, float slot_height) {
  PhotoFit fit = FitPhoto(kTextureSize, kTextureSize);
  fit.width = slot_width;
  fit.height = slot_height;
  return fit;
}

GdiplusFont CreateTextFont(float size) {
  GdiplusFontFamily family = GdiplusFontFamily::FromName(L"Georgia");
  if (!family.valid()) family = GdiplusFontFamily::GenericSansSerif();
  GdiplusFont font = GdiplusFont::Create(family, size, Gdiplus::FontStyleRegular, Gdiplus::UnitPoint);
  if (!font.valid()) {
    font = GdiplusFont::Create(GdiplusFontFamily::GenericSansSerif(), size, Gdiplus::FontStyleRegular,
                               Gdiplus::UnitPoint);
  }
  return font;
}

void FormatText(wchar_t (&buffer)[kTextBufferSize], const wchar_t* format, ...) {
  // The runtime's own formatter: %s takes a wide string, as every caller's
  // format expects. It writes at most the count given and leaves the
  // terminator out when the output is longer, so the last place is set here.
  va_list args;
  va_start(args, format);
  _vsnwprintf(buffer, kTextBufferSize - 1, format, args);
  va_end(args);
  buffer[kTextBufferSize - 1] = L'\0';
}

ResourceImage LoadPngResource(const wchar_t* type, int id) {
  ResourceImage result;
  const HMODULE module = GetModuleHandleW(nullptr);
  const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
  if (found == nullptr) return result;
  const DWORD size = SizeofResource(module, found);
  const HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr || size == 0) return result;

  result.block.reset(GlobalAlloc(GMEM_MOVEABLE | GMEM_NODISCARD, size));
  if (!result.block) return result;
  void* copy = GlobalLock(result.block.get());
  if (copy == nullptr) return result;
  std::memcpy(copy, bytes, size);
  GlobalUnlock(result.block.get());

  // FALSE: the stream must not free the block; the block's owner does.
  IStream* stream = nullptr;
  if (CreateStreamOnHGlobal(result.block.get(), FALSE, &stream) != S_OK) return result;
  result.stream.reset(stream);
  result.image = GdiplusImage::FromStream(stream);
  return result;
}

GdiplusImage* GetResourceImage(int id) {
  for (ResourceImageRow* row = ResourceImageTable; row->id > 0; ++row) {
    if (row->id != id) continue;
    if (!row->cached.image.valid()) {
      ResourceImage loaded = LoadPngResource(row->type, row->id);
      ClearResourceImage(row->cached);
      row->cached = std::move(loaded);
    }
    return row->cached.image.valid() ? &row->cached.image : nullptr;
  }
  return nullptr;
}

void ReleaseResourceImages() {
  for (ResourceImageRow* row = ResourceImageTable; row->id > 0; ++row) ClearResourceImage(row->cached);
}
