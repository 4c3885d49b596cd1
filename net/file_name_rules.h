// Names that come from downloaded pages are untrusted: only a plain name that
// stays inside its folder and names an ordinary file may be written.
#pragma once

#include <string_view>

// True for a single, ordinary file name: not empty, no path separator, no
// drive colon or other character Windows forbids in names (<>:"/\|?*), no
// control character, no trailing dot or space (Windows would silently drop
// it and write a different name), and not a device name such as "CON",
// "aux.jpg" or "COM1.txt" in any case, which would open a device instead of
// a file.
bool IsSafeFileName(std::wstring_view name);
