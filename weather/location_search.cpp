#include "weather/location_search.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::string_view kMarker = "<loc id=\"";
constexpr std::string_view kEndTag = "</loc>";
constexpr wchar_t kSearchPath[] = L"/search/search?where=";
constexpr std::size_t kDashPartChars = 3;  // " — " between name and id

bool Unreserved(char32_t c) {
  return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z') || (c >= U'0' && c <= U'9') || c == U'-' ||
         c == U'.' || c == U'_' || c == U'~';
}

void AppendEscapedByte(std::wstring& out, unsigned byte) {
  constexpr wchar_t kHex[] = L"0123456789ABCDEF";
  out += L'%';
  out += kHex[byte >> 4];
  out += kHex[byte & 0xF];
}

// The code point that starts at text[i], and how many UTF-16 units it takes.
// (Windows text is UTF-16; the native build's 32-bit wchar_t may also hold
// whole code points.)
char32_t CodePointAt(std::wstring_view text, std::size_t i, std::size_t& units) {
  const char32_t c = static_cast<char32_t>(text[i]);
  units = 1;
  if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
    const char32_t low = static_cast<char32_t>(text[i + 1]);
    if (low >= 0xDC00 && low <= 0xDFFF) {
      units = 2;
      return 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
    }
  }
  if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return 0xFFFD;
  return c;
}

// One code point as it goes into the address.
std::wstring EncodeCodePoint(char32_t c) {
  std::wstring out;
  if (Unreserved(c)) {
    out += static_cast<wchar_t>(c);
  } else if (c < 0x80) {
    AppendEscapedByte(out, c);
  } else if (c < 0x800) {
    AppendEscapedByte(out, 0xC0 | (c >> 6));
    AppendEscapedByte(out, 0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    AppendEscapedByte(out, 0xE0 | (c >> 12));
    AppendEscapedByte(out, 0x80 | ((c >> 6) & 0x3F));
    AppendEscapedByte(out, 0x80 | (c & 0x3F));
  } else {
    AppendEscapedByte(out, 0xF0 | (c >> 18));
    AppendEscapedByte(out, 0x80 | ((c >> 12) & 0x3F));
    AppendEscapedByte(out, 0x80 | ((c >> 6) & 0x3F));
    AppendEscapedByte(out, 0x80 | (c & 0x3F));
  }
  return out;
}

// Appends the encoded text while the result stays within `limit` characters.
void AppendEncoded(std::wstring& out, std::wstring_view text, std::size_t limit) {
  for (std::size_t i = 0; i < text.size();) {
    std::size_t units = 1;
    const std::wstring piece = EncodeCodePoint(CodePointAt(text, i, units));
    if (out.size() + piece.size() > limit) return;
    out += piece;
    i += units;
  }
}

bool ControlCharacter(wchar_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

void AppendBytes(std::wstring& out, std::string_view bytes) {
  for (const char b : bytes) {
    const wchar_t c = static_cast<wchar_t>(static_cast<unsigned char>(b));
    out += ControlCharacter(c) ? L' ' : c;
  }
}

}  // namespace

std::wstring SearchAnswerFileName(uint32_t process_id, uint32_t thread_id) {
  return L"weather_search_" + std::to_wstring(process_id) + L"_" + std::to_wstring(thread_id) + L".xml";
}

std::wstring_view TrimSearchText(std::wstring_view text) {
  std::size_t start = 0;
  while (start < text.size() && text[start] <= L' ') ++start;
  return text.substr(start);
}

std::wstring EncodeSearchText(std::wstring_view text) {
  std::wstring out;
  AppendEncoded(out, text, std::wstring::npos);
  return out;
}

std::wstring FormatSearchAddress(std::wstring_view weather_host, std::wstring_view text) {
  std::wstring address(weather_host);
  address += kSearchPath;
  if (address.size() > kSearchAddressChars) return {};
  AppendEncoded(address, text, kSearchAddressChars);
  return address;
}

std::optional<std::wstring> FormatResultLine(std::string_view name, std::string_view id) {
  if (name.empty() || id.empty() || id.size() > kLocationIdChars) return std::nullopt;
  std::wstring line;
  AppendBytes(line, name.substr(0, kResultLineChars - kDashPartChars - id.size()));
  line += L' ';
  line += kResultDash;
  line += L' ';
  AppendBytes(line, id);
  return line;
}

int ParseLocationList(std::string_view answer, std::vector<std::wstring>& list) {
  const std::string_view text = answer.substr(0, answer.find('\0'));
  int count = 0;
  std::size_t marker = FindIgnoringCase(text, kMarker, 0);
  while (marker != std::string_view::npos) {
    const std::size_t id_start = marker + kMarker.size();
    const std::size_t quote = text.find('"', id_start);
    if (quote == std::string_view::npos) {
      marker = FindIgnoringCase(text, kMarker, id_start);
      continue;
    }
    const std::string_view id = text.substr(id_start, quote - id_start);
    const std::size_t close = text.find('>', quote + 1);
    if (close == std::string_view::npos) break;
    const std::size_t name_start = close + 1;
    const std::size_t end = FindIgnoringCase(text, kEndTag, name_start);
    if (end == std::string_view::npos) {
      marker = FindIgnoringCase(text, kMarker, name_start);
      continue;
    }
    const std::string_view name = text.substr(name_start, std::min(end - name_start, kLocationNameBytes));
    if (std::optional<std::wstring> line = FormatResultLine(name, id)) {
      if (count == 0) list.clear();
      list.push_back(std::move(*line));
      ++count;
    }
    marker = FindIgnoringCase(text, kMarker, end + kEndTag.size());
  }
  return count;
}

std::optional<ChosenLocation> SplitResultLine(std::wstring_view line) {
  const std::size_t dash = line.find(kResultDash);
  if (dash == std::wstring_view::npos) return std::nullopt;
  const std::size_t name_end = (dash > 0 && line[dash - 1] == L' ') ? dash - 1 : dash;
  const std::size_t id_start = (dash + 1 < line.size() && line[dash + 1] == L' ') ? dash + 2 : dash + 1;
  if (name_end == 0 || id_start >= line.size()) return std::nullopt;
  ChosenLocation chosen;
  chosen.name.Assign(line.substr(0, name_end));
  chosen.id.Assign(line.substr(id_start));
  return chosen;
}

SearchOutcome MakeSearchOutcome(bool downloaded, std::string_view answer) {
  SearchOutcome outcome;
  if (!downloaded) {
    outcome.lines.emplace_back(kConnectionFailedText);
  } else if (ParseLocationList(answer, outcome.lines) == 0) {
    outcome.lines.emplace_back(kNotFoundText);
  } else {
    outcome.found = true;
  }
  return outcome;
}
