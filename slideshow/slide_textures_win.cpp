#include "slideshow/slide_textures_win.h"

#include <cstdarg>
#include <cstring>
#include <cwchar>
#include <utility>
#include <vector>

#include "slideshow/photo_fit.h"

SlideSlot slideSlots[2] = {};
int currentSlot = 0;

namespace {

struct BitmapHandleTraits {
  using Native = HBITMAP;
  static Native Invalid() { return nullptr; }
  static void Close(Native h) { DeleteObject(h); }
};
using BitmapHandle = UniqueHandle<BitmapHandleTraits>;

ResourceImageRow MakeRow(int id) { return ResourceImageRow{L"PNG", id, {}}; }

// Frees in the order GDI+ needs: the image may still read from the stream,
// and the stream from the block.
void ClearResourceImage(ResourceImage& resource) {
  resource.image = GdiplusImage();
  resource.stream.reset();
  resource.block.reset();
}

}  // namespace

ResourceImageRow ResourceImageTable[kResourceImageRows + 1] = {
    MakeRow(2000), MakeRow(2001), MakeRow(2002), MakeRow(2003), MakeRow(2004), MakeRow(2005),
    MakeRow(2006), MakeRow(2007), MakeRow(2008), MakeRow(2009), MakeRow(2010), MakeRow(2011),
    MakeRow(2012), MakeRow(2013), MakeRow(2014), MakeRow(2015), MakeRow(2016), MakeRow(2017),
    MakeRow(2018), MakeRow(2019), MakeRow(2020), MakeRow(2021), MakeRow(2022), MakeRow(2023),
    MakeRow(2024), MakeRow(2025), MakeRow(2026), MakeRow(2027), MakeRow(2028), MakeRow(2029),
    MakeRow(2100), ResourceImageRow{L"", 0, {}},
};

void LoadPhotoTexture(const wchar_t* path, GLuint texture, int slot) {
  GdiplusImage image = GdiplusImage::FromFile(path);
  Canvas canvas = CreateCanvas();
  const PhotoFit fit = FitPhoto(image.Width(), image.Height());
  slideSlots[slot].width = fit.width;
  slideSlots[slot].height = fit.height;
  if (image.valid()) canvas.graphics.DrawImageRect(image.get(), fit.x, fit.y, fit.w, fit.h);
  UploadSlotTexture(canvas.bitmap, texture, slot);
}

void UploadSlotTexture(GdiplusBitmap& canvas, GLuint texture, int slot) {
  SlideSlot& target = slideSlots[slot];
  const BitmapHandle dib(canvas.CreateHbitmap(0));
  target.bitmap = BITMAP{};
  if (dib.valid() && GetObjectW(dib.get(), sizeof(BITMAP), &target.bitmap) != sizeof(BITMAP)) {
    target.bitmap = BITMAP{};
  }
  glBindTexture(GL_TEXTURE_2D, texture);
  // The bitmap stores its rows bottom-up, which is OpenGL's order: no flip.
  if (target.bitmap.bmBits != nullptr && target.bitmap.bmBitsPixel == 32) {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, target.bitmap.bmWidth, target.bitmap.bmHeight, 0, GL_BGRA_EXT,
                 GL_UNSIGNED_BYTE, target.bitmap.bmBits);
  } else {
    // Without pixels the texture would have no image at all and draw as a
    // white square; black is what an undecodable photo shows too.
    const std::vector<unsigned char> black(static_cast<size_t>(kTextureSize) * kTextureSize * 4, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, kTextureSize, kTextureSize, 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE,
                 black.data());
  }
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  // The bits die with the bitmap handle at the end of this scope; the slot
  // keeps the description but no pointer into freed memory.
  target.bitmap.bmBits = nullptr;
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
