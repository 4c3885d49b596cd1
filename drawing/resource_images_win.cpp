#include "drawing/resource_images_win.h"

#include <cstring>
#include <utility>

namespace {

ResourceImageRow MakeRow(int id) { return ResourceImageRow{L"PNG", id, {}}; }

// Frees in the order GDI+ needs: the image may still read from the stream,
// and the stream from the block.
void ClearResourceImage(ResourceImage& resource) {
  resource.image = GdiplusImage();
  resource.stream.reset();
  resource.block.reset();
}

// Allocated once and deliberately never freed: the exit does not wait for a
// slide build that may be drawing one of these images.
ResourceImageRow* MakeResourceImageTable() {
  auto* table = new ResourceImageRow[kResourceImageRows + 1]{};
  for (int i = 0; i < IDP_WEATHER_ICON_COUNT; ++i) table[i] = MakeRow(IDP_WEATHER_ICON + i);
  table[IDP_WEATHER_ICON_COUNT] = MakeRow(IDP_WARNING_ICON);
  table[kResourceImageRows] = ResourceImageRow{L"", 0, {}};
  return table;
}

}  // namespace

ResourceImageRow* const ResourceImageTable = MakeResourceImageTable();

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
