#include "base/wide_text.h"

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }


// Length of the well-formed UTF-8 sequence at `i` with its code point in
// `code`; 0 when the bytes there are not one (bad lead, missing continuation,
// overlong form, surrogate, beyond U+10FFFF).
std::size_t Utf8SequenceAt(std::string_view bytes, std::size_t i, char32_t& code) {
  const unsigned char lead = static_cast<unsigned char>(bytes[i]);
  std::size_t length = 0;
  char32_t smallest = 0;
  if (lead < 0x80) {
    code = lead;
    return 1;
  } else if (lead >= 0xC0 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
    smallest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
    smallest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF7) {
    length = 4;
    code = lead & 0x07;
    smallest = 0x10000;
  } else {
    return 0;
  }
  if (bytes.size() - i < length) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const unsigned char b = static_cast<unsigned char>(bytes[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    code = (code << 6) | (b & 0x3F);
  }
  if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

// UTF-16 on every platform, so a 32-bit wchar_t holds surrogate pairs too.
void AppendUtf16(std::wstring& out, char32_t code) {
  if (code > 0xFFFF) {
    code -= 0x10000;
    out.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
    out.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
  } else {
    out.push_back(static_cast<wchar_t>(code));
  }
}

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

// Windows-1252 for 0x80..0x9F.
constexpr uint16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

wchar_t Windows1252(char byte) {
  const unsigned char b = static_cast<unsigned char>(byte);
  if (b >= 0x80 && b <= 0x9F) return static_cast<wchar_t>(kWindows1252High[b - 0x80]);
  return static_cast<wchar_t>(b);
}

std::wstring DecodeUtf8OrWindows1252(std::string_view bytes) {
  std::wstring text;
  text.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    char32_t code = 0;
    const std::size_t length = Utf8SequenceAt(bytes, i, code);
    if (length == 0) {
      text.push_back(Windows1252(bytes[i]));
      ++i;
    } else {
      AppendUtf16(text, code);
      i += length;
    }
  }
  return text;
}
