// Images embedded in the program as resources, decoded with GDI+ and cached.
#pragma once

#include <windows.h>
#include <objidl.h>

#include "base/win_handle.h"
#include "drawing/gdiplus_objects_win.h"
#include "res/resource.h"

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

// The embedded images: the weather condition icons and the notice's warning
// icon (res/resource.h), each cached from first use until
// ReleaseResourceImages. The row with id 0 ends the table. Never destroyed, so
// an image stays drawable until the process is gone.
inline constexpr int kResourceImageRows = IDP_WEATHER_ICON_COUNT + 1;
extern ResourceImageRow* const ResourceImageTable;

// Frees every cached resource image; must run before GDI+ shuts down.
void ReleaseResourceImages();
