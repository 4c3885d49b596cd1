// The location search: the answer's result lines and how OK takes them
// apart, and the search text as it goes into the address. The input is both
// the answer and, as UTF-16, the typed text.
#include <algorithm>
#include <vector>

#include "fuzz_support.h"
#include "weather/location_search.h"

namespace {

constexpr wchar_t kHost[] = L"http://weather.velmora.example";
constexpr wchar_t kSearchPath[] = L"/search/search?where=";

bool IsControl(wchar_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// What OK makes of a line: a name and id fit for settings.cfg, or nothing.
void CheckChosen(std::wstring_view line) {
  const std::optional<ChosenLocation> chosen = SplitResultLine(line);
  if (!chosen) return;
  const std::wstring_view name = chosen->name.View(), id = chosen->id.View();
  FUZZ_CHECK(!name.empty() && name.size() <= 99 && !id.empty() && id.size() <= 19);
  FUZZ_CHECK(std::none_of(name.begin(), name.end(), IsControl) && std::none_of(id.begin(), id.end(), IsControl));
  FUZZ_CHECK(line.starts_with(name));
}

void CheckAnswer(std::string_view answer) {
  std::vector<std::wstring> list = {kSearchingText};
  const int added = ParseLocationList(answer, list);
  FUZZ_CHECK(added >= 0);
  if (added == 0) FUZZ_CHECK(list == std::vector<std::wstring>{kSearchingText});
  if (added > 0) FUZZ_CHECK(list.size() == static_cast<std::size_t>(added));
  for (const std::wstring& line : list) {
    FUZZ_CHECK(line.size() <= kResultLineChars);
    if (added > 0) FUZZ_CHECK(std::none_of(line.begin(), line.end(), IsControl));
    // Every offered line names a location OK can store.
    if (added > 0) FUZZ_CHECK(SplitResultLine(line).has_value());
    CheckChosen(line);
  }

  // OK is enabled exactly for result lines; a status line names no location.
  const SearchOutcome found = MakeSearchOutcome(true, answer);
  FUZZ_CHECK(found.found == (added > 0));
  if (found.found) FUZZ_CHECK(found.lines == list);
  if (!found.found) FUZZ_CHECK(found.lines == std::vector<std::wstring>{kNotFoundText});
  const SearchOutcome failed = MakeSearchOutcome(false, answer);
  FUZZ_CHECK(!failed.found && failed.lines == std::vector<std::wstring>{kConnectionFailedText});
  for (const SearchOutcome* outcome : {&found, &failed}) {
    if (!outcome->found) FUZZ_CHECK(!SplitResultLine(outcome->lines[0]));
  }
}

// A line is offered for a name and an id that fits weather_loc_id, and is
// taken apart into the name, cut for the line and the chosen name, and
// exactly the id.
void CheckLineRoundTrip(std::string_view bytes) {
  if (bytes.empty()) return;
  const std::size_t cut = static_cast<uint8_t>(bytes[0]) % bytes.size();
  const std::string_view name = bytes.substr(1, std::min<std::size_t>(cut, kLocationNameBytes));
  const std::string_view id = bytes.substr(1 + cut).substr(0, kLocationIdChars + 2);
  const std::optional<std::wstring> line = FormatResultLine(name, id);
  FUZZ_CHECK(line.has_value() == (!name.empty() && !id.empty() && id.size() <= kLocationIdChars));
  if (!line) return;
  FUZZ_CHECK(line->size() <= kResultLineChars);
  const std::optional<ChosenLocation> chosen = SplitResultLine(*line);
  FUZZ_CHECK(chosen.has_value());
  const auto shown = [](std::string_view part, std::size_t keep) {
    std::wstring text;
    for (const char b : part.substr(0, keep)) {
      const wchar_t c = static_cast<uint8_t>(b);
      text += IsControl(c) ? L' ' : c;
    }
    return text;
  };
  FUZZ_CHECK(chosen->id.View() == shown(id, id.size()));
  const std::size_t name_room = kResultLineChars - 3 - id.size();
  FUZZ_CHECK(chosen->name.View() == shown(name, std::min<std::size_t>(name_room, 99)));
}

// UTF-8 of UTF-16 text, a lone surrogate as U+FFFD.
std::string Utf8(std::wstring_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = static_cast<char32_t>(text[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[++i]) - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

bool IsUnreserved(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'-' ||
         c == L'.' || c == L'_' || c == L'~';
}

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// The encoded text holds only unreserved ASCII and %XX; gives the bytes it stands for.
std::string Decode(std::wstring_view encoded) {
  std::string bytes;
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    if (encoded[i] != L'%') {
      FUZZ_CHECK(IsUnreserved(encoded[i]));
      bytes += static_cast<char>(encoded[i]);
      continue;
    }
    FUZZ_CHECK(i + 2 < encoded.size());
    const int high = HexDigit(encoded[i + 1]), low = HexDigit(encoded[i + 2]);
    FUZZ_CHECK(high >= 0 && low >= 0);
    const char byte = static_cast<char>(high * 16 + low);
    // An unreserved byte is never escaped.
    FUZZ_CHECK(!IsUnreserved(static_cast<wchar_t>(static_cast<uint8_t>(byte))));
    bytes += byte;
    i += 2;
  }
  return bytes;
}

void CheckSearchText(std::wstring_view typed) {
  const std::wstring_view text = TrimSearchText(typed);
  FUZZ_CHECK(text.empty() || text[0] > L' ');
  const std::string utf8 = Utf8(text);
  FUZZ_CHECK(Decode(EncodeSearchText(text)) == utf8);

  const std::wstring address = FormatSearchAddress(kHost, text);
  FUZZ_CHECK(address.size() <= kSearchAddressChars);
  const std::wstring start = std::wstring(kHost) + kSearchPath;
  FUZZ_CHECK(address.starts_with(start));
  // A long text loses whole characters from its end: what is left is complete UTF-8.
  const std::string sent = Decode(std::wstring_view(address).substr(start.size()));
  FUZZ_CHECK(utf8.starts_with(sent));
  FUZZ_CHECK(sent.size() == utf8.size() || (static_cast<uint8_t>(utf8[sent.size()]) & 0xC0) != 0x80);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view bytes = FuzzBytes(data, size);
  CheckAnswer(bytes);
  CheckLineRoundTrip(bytes);
  // The search box hands over at most kSearchTextChars characters.
  CheckSearchText(FuzzWide(bytes.substr(0, 2 * kSearchTextChars)));
  return 0;
}
