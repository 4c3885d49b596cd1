#include "base/wide_text.h"

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

}  // namespace

int32_t ParseDecimal(std::wstring_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
    negative = text[i] == L'-';
    ++i;
  }
  constexpr int64_t kMax = INT32_MAX;
  constexpr int64_t kMinMagnitude = -static_cast<int64_t>(INT32_MIN);
  int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - L'0');
    if (magnitude > kMinMagnitude) magnitude = kMinMagnitude;  // clamp, keep reading digits
  }
  if (negative) return static_cast<int32_t>(-magnitude);
  return static_cast<int32_t>(magnitude > kMax ? kMax : magnitude);
}

std::wstring WidenBytes(std::string_view bytes) {
  std::wstring text;
  text.reserve(bytes.size());
  for (const char b : bytes) text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(b)));
  return text;
}

bool IsSpace(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

bool IsBlankOrLineEnd(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

wchar_t ToUpperAscii(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }

bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ToUpperAscii(a[i]) != ToUpperAscii(b[i])) return false;
  }
  return true;
}

void TextScanner::SkipSpace() {
  while (at < text.size() && IsSpace(text[at])) ++at;
}

bool TextScanner::Number(int32_t& value) {
  SkipSpace();
  std::size_t end = at;
  if (end < text.size() && (text[end] == L'+' || text[end] == L'-')) ++end;
  const std::size_t digits = end;
  while (end < text.size() && text[end] >= L'0' && text[end] <= L'9') ++end;
  if (end == digits) return false;
  value = ParseDecimal(text.substr(at, end - at));
  at = end;
  return true;
}

bool TextScanner::Literal(wchar_t c) {
  if (at >= text.size() || text[at] != c) return false;
  ++at;
  return true;
}

std::size_t FindIgnoringCase(std::string_view text, std::string_view what, std::size_t from) {
  if (what.size() > text.size()) return std::string_view::npos;
  for (std::size_t i = from; i + what.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < what.size() && LowerAscii(text[i + k]) == LowerAscii(what[k])) ++k;
    if (k == what.size()) return i;
  }
  return std::string_view::npos;
}
