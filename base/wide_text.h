// Small helpers for the program's UTF-16 text: fixed-size fields that cut
// instead of overflowing, and the decimal, white-space and case rules every
// parser shares.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A zero-terminated text of at most N characters. Assigning longer text cuts it.
template <std::size_t N>
struct FixedText {
  wchar_t text[N + 1] = {};

  static constexpr std::size_t kCapacity = N;

  void Assign(std::wstring_view value) {
    const std::size_t n = value.size() < N ? value.size() : N;
    for (std::size_t i = 0; i < n; ++i) text[i] = value[i];
    for (std::size_t i = n; i <= N; ++i) text[i] = L'\0';
  }
  void Clear() { Assign({}); }
  std::wstring_view View() const { return std::wstring_view(text); }
  bool Empty() const { return text[0] == L'\0'; }
  const wchar_t* c_str() const { return text; }
};

// Reads a decimal number the way the program reads every number in text:
// leading white space skipped, an optional sign, digits up to the first
// non-digit, 0 when there are none, clamped to the signed 32-bit range.
int32_t ParseDecimal(std::wstring_view text);

// Downloaded documents are 8-bit text: each byte becomes one character.
std::wstring WidenBytes(std::string_view bytes);

// One byte as Windows-1252; the five bytes it leaves undefined map to the C1 controls.
wchar_t Windows1252(char byte);

// UTF-8 as UTF-16 (surrogate pairs also where wchar_t has 32 bits), each byte
// of an invalid sequence read as Windows-1252. A zero byte stays U+0000.
std::wstring DecodeUtf8OrWindows1252(std::string_view bytes);

// White space as the C library's scanning functions skip it: blank, tab, line
// feed, vertical tab, form feed, carriage return.
bool IsSpace(wchar_t c);
// White space of HTTP header values and XML declarations: blank, tab,
// carriage return, line feed.
bool IsBlankOrLineEnd(wchar_t c);

wchar_t ToUpperAscii(wchar_t c);
bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b);

// The few scanf conversions the weather service's time stamps need, with
// scanf's rules: a number or a word skips the white space before it, a
// literal character must come next, and the first mismatch ends the reading.
struct TextScanner {
  std::wstring_view text;
  std::size_t at = 0;

  void SkipSpace();
  // "%d": an optional sign and at least one digit, read as ParseDecimal reads them.
  bool Number(int32_t& value);
  bool Literal(wchar_t c);
  // "%s": the next run of non-space characters, cut to the word's size.
  template <std::size_t N>
  void Word(wchar_t (&word)[N]) {
    SkipSpace();
    std::size_t n = 0;
    for (; at < text.size() && !IsSpace(text[at]); ++at)
      if (n + 1 < N) word[n++] = text[at];
    word[n] = L'\0';
  }
};

// The first place at or after `from` where `what` stands in downloaded bytes,
// ASCII letter case ignored, as tag names are compared; npos when nowhere.
std::size_t FindIgnoringCase(std::string_view text, std::string_view what, std::size_t from = 0);
