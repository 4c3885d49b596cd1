// Reads the version resource of a file the way Explorer does (GetFileVersionInfoW,
// VerQueryValueW) and checks what it shows for velmora.scr. Prints each
// mismatch; exit code 0 when there is none. Usage: version_info_check FILE
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

int failures = 0;

void Expect(bool ok, const std::wstring& what) {
  if (!ok) {
    std::wprintf(L"FAILED: %ls\n", what.c_str());
    ++failures;
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::wprintf(L"usage: version_info_check FILE\n");
    return 2;
  }
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
  if (failures == 0) std::wprintf(L"version information of %ls as expected\n", argv[1]);
  return failures == 0 ? 0 : 1;
}
