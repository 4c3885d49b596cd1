// Reads resources of velmora.scr back through the Windows API and checks
// them: the version resource the way Explorer reads it (GetFileVersionInfoW,
// VerQueryValueW), and the font the setup dialog's template asks for. Prints
// each mismatch; exit code 0 when there is none. Usage: resource_check FILE
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/win_handle.h"

namespace {

int failures = 0;

void Expect(bool ok, const std::wstring& what) {
  if (!ok) {
    std::wprintf(L"FAILED: %ls\n", what.c_str());
    ++failures;
  }
}

struct ModuleTraits {
  using Native = HMODULE;
  static Native Invalid() { return nullptr; }
  static void Close(Native h) { FreeLibrary(h); }
};

// Reads one WORD-aligned field of a dialog template and moves past it.
template <typename T>
T Take(const BYTE*& at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  at += sizeof value;
  return value;
}

// A menu or class field: 0, 0xFFFF and an ordinal, or a string.
void SkipNameOrOrdinal(const BYTE*& at) {
  const WORD first = Take<WORD>(at);
  if (first == 0xFFFF) {
    at += sizeof(WORD);
  } else if (first != 0) {
    while (Take<WORD>(at) != 0) {
    }
  }
}

// "<points> <face>" of the font the dialog manager gives the dialog: the
// template's own, except that DS_SHELLFONT turns "MS Shell Dlg" into
// "MS Shell Dlg 2".
std::wstring SetupDialogFont(const wchar_t* file) {
  const UniqueHandle<ModuleTraits> module(LoadLibraryExW(file, nullptr, LOAD_LIBRARY_AS_DATAFILE));
  const HRSRC found = module ? FindResourceW(module.get(), MAKEINTRESOURCEW(101), RT_DIALOG) : nullptr;
  const HGLOBAL loaded = found ? LoadResource(module.get(), found) : nullptr;
  const BYTE* at = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  if (at == nullptr || SizeofResource(module.get(), found) < 26) return L"(no dialog 101)";
  at += 2;  // version
  if (Take<WORD>(at) != 0xFFFF) return L"(not an extended template)";
  at += 8;  // help id, extended style
  const DWORD style = Take<DWORD>(at);
  at += 10;  // item count, position, size
  SkipNameOrOrdinal(at);  // menu
  SkipNameOrOrdinal(at);  // class
  while (Take<WORD>(at) != 0) {  // caption
  }
  if ((style & DS_SETFONT) == 0) return L"(system font)";
  const WORD points = Take<WORD>(at);
  at += 4;  // weight, italic, character set
  std::wstring face;
  for (WORD c; (c = Take<WORD>(at)) != 0;) face += static_cast<wchar_t>(c);
  if ((style & DS_SHELLFONT) == DS_SHELLFONT && face == L"MS Shell Dlg") face = L"MS Shell Dlg 2";
  return std::to_wstring(points) + L" " + face;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::wprintf(L"usage: resource_check FILE\n");
    return 2;
  }
  const std::wstring font = SetupDialogFont(argv[1]);
  Expect(font == L"8 MS Shell Dlg", L"setup dialog font is \"" + font + L"\", expected \"8 MS Shell Dlg\"");

  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(argv[1], &ignored);
  std::vector<BYTE> block(size);
  if (size == 0 || !GetFileVersionInfoW(argv[1], 0, size, block.data())) {
    std::wprintf(L"FAILED: no version information in %ls (error %lu)\n", argv[1], GetLastError());
    return 1;
  }

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  Expect(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && length >= sizeof *fixed,
         L"fixed file information");
  if (fixed) {
    Expect(fixed->dwFileVersionMS == MAKELONG(0, 1) && fixed->dwFileVersionLS == 0, L"file version 1,0,0,0");
    Expect(fixed->dwProductVersionMS == MAKELONG(0, 1) && fixed->dwProductVersionLS == 0,
           L"product version 1,0,0,0");
  }

  // The strings are looked up under the language and code page the
  // translation table names, as Explorer does; a mismatch hides them all.
  WORD* translation = nullptr;
  Expect(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                        &length) && length >= 2 * sizeof(WORD),
         L"a translation table");
  if (!translation) return 1;
  Expect(translation[0] == 0x0409 && translation[1] == 1200, L"translation 0x409, 1200");
  wchar_t folder[64];
  std::swprintf(folder, 64, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);

  const struct {
    const wchar_t* name;
    const wchar_t* value;
  } strings[] = {
      {L"FileVersion", L"1.0.0.0"},         {L"ProductVersion", L"1.0.0.0"},
      {L"FileDescription", L"Corvath Velmora"}, {L"ProductName", L"Corvath Velmora"},
      {L"CompanyName", L"Corvath"},         {L"OriginalFilename", L"velmora.scr"},
      {L"InternalName", L"velmora"},        {L"LegalCopyright", L"Copyright (c) 2026 Corvath. MIT License."},
  };
  for (const auto& [name, value] : strings) {
    wchar_t* found = nullptr;
    const std::wstring path = std::wstring(folder) + name;
    const bool present = VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&found), &length);
    const std::wstring shown = present && found ? found : L"(missing)";
    Expect(shown == value, std::wstring(name) + L" is \"" + shown + L"\", expected \"" + value + L"\"");
  }
  if (failures == 0) std::wprintf(L"resources of %ls as expected\n", argv[1]);
  return failures == 0 ? 0 : 1;
}
