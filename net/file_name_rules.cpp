#include "net/file_name_rules.h"

#include "base/wide_text.h"

namespace {

bool IsForbiddenCharacter(wchar_t c) {
  if (c < 0x20) return true;
  for (const wchar_t forbidden : std::wstring_view(L"<>:\"/\\|?*")) {
    if (c == forbidden) return true;
  }
  return false;
}

// Windows maps these to devices whatever extension follows, and ignores
// spaces and dots after them ("nul .jpg"). The superscript digits count as
// digits for COM and LPT.
bool IsDeviceName(std::wstring_view name) {
  std::wstring_view base = name.substr(0, name.find(L'.'));
  while (!base.empty() && (base.back() == L' ' || base.back() == L'.')) base.remove_suffix(1);
  for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
    if (EqualsIgnoreCase(base, device)) return true;
  }
  if (base.size() != 4) return false;
  const std::wstring_view stem = base.substr(0, 3);
  if (!EqualsIgnoreCase(stem, L"COM") && !EqualsIgnoreCase(stem, L"LPT")) return false;
  const wchar_t digit = base[3];
  return (digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
}

}  // namespace

bool IsSafeFileName(std::wstring_view name) {
  if (name.empty() || name.back() == L'.' || name.back() == L' ') return false;
  for (const wchar_t c : name) {
    if (IsForbiddenCharacter(c)) return false;
  }
  return !IsDeviceName(name);
}
