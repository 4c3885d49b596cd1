// settings.cfg as the loader reads it: any bytes parse into a record and the
// lines the saver keeps, these are composed into what SaveSettings writes, and
// that text must be a well-formed file that loads back into the same record
// and the same kept lines.
#include <vector>

#include "fuzz_support.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

namespace {

constexpr const wchar_t* kStandardKeys[] = {L"dloption",       L"guid",        L"newver",     L"show_weather",
                                            L"weather_loc_id", L"weather_loc", L"show_newver"};
// Written only when not their defaults, in this order.
constexpr const wchar_t* kOptionalKeys[] = {L"slide_seconds", L"monitors",    L"photo_site", L"image_prefix",
                                            L"weather_host",  L"update_host", L"web_host"};

Guid NewGuid() {
  Guid g;
  g.data1 = 0xC0FFEE;
  return g;
}

// The value as the file holds it and the loader reads it back: nothing below
// U+0020, no blank at either end.
std::wstring Stored(std::wstring_view value) {
  std::wstring out;
  for (const wchar_t c : value) {
    if (static_cast<uint32_t>(c) >= 0x20) out += c;
  }
  const std::size_t first = out.find_first_not_of(L' ');
  if (first == std::wstring::npos) return {};
  return out.substr(first, out.find_last_not_of(L' ') + 1 - first);
}

// Seven standard lines in their order, then optional lines in theirs, then
// the kept lines; nothing below U+0020.
void CheckFile(const std::wstring& text, std::size_t kept) {
  std::vector<std::wstring_view> lines;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find(L'\n', start);
    lines.push_back(std::wstring_view(text).substr(start, end - start));
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  FUZZ_CHECK(lines.size() >= std::size(kStandardKeys) + kept);
  std::size_t next_optional_key = 0;
  for (std::size_t i = 0; i + kept < lines.size(); ++i) {
    FUZZ_CHECK(!HasCharBelowSpace(lines[i]));
    const std::size_t eq = lines[i].find(L'=');
    FUZZ_CHECK(eq != std::wstring_view::npos);
    const std::wstring_view key = lines[i].substr(0, eq);
    if (i < std::size(kStandardKeys)) {
      FUZZ_CHECK(key == kStandardKeys[i]);
      continue;
    }
    while (next_optional_key < std::size(kOptionalKeys) && key != kOptionalKeys[next_optional_key]) {
      ++next_optional_key;
    }
    FUZZ_CHECK(next_optional_key < std::size(kOptionalKeys));
    ++next_optional_key;
  }
}

void CheckSameRecord(const Settings& saved, const Settings& loaded) {
  FUZZ_CHECK(loaded.dloption == saved.dloption);
  FUZZ_CHECK(loaded.gallery_refresh_seconds == saved.gallery_refresh_seconds);
  FUZZ_CHECK(loaded.guid.View() == Stored(saved.guid.View()));
  FUZZ_CHECK(loaded.newver.View() == (saved.newver.Empty() ? std::wstring(kOwnVersion) : Stored(saved.newver.View())));
  FUZZ_CHECK(loaded.show_weather == (saved.show_weather != 0 ? 1 : 0));
  FUZZ_CHECK(loaded.show_newver == (saved.show_newver != 0 ? 1 : 0));
  FUZZ_CHECK(loaded.weather_loc_id.View() == Stored(saved.weather_loc_id.View()));
  FUZZ_CHECK(loaded.weather_loc.View() == Stored(saved.weather_loc.View()));
  FUZZ_CHECK(loaded.slide_seconds == saved.slide_seconds);
  FUZZ_CHECK(saved.slide_seconds >= kSlideSecondsLeast && saved.slide_seconds <= kSlideSecondsMost);
  for (const auto field : {&Settings::photo_site, &Settings::image_prefix, &Settings::weather_host,
                           &Settings::update_host, &Settings::web_host}) {
    FUZZ_CHECK((loaded.*field).View() == Stored((saved.*field).View()));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  Settings record;
  std::vector<std::wstring> kept;
  ParseSettingsText(DecodeSettingsBytes(FuzzBytes(data, size)), record, &kept);
  const std::wstring text = ComposeSavedSettings(record, NewGuid, kept);
  CheckFile(text, kept.size());
  // No zero character either, so the file's bytes read back whole.
  FUZZ_CHECK(DecodeUtf16Le(EncodeUtf16Le(text)) == text);

  Settings loaded;
  std::vector<std::wstring> kept_again;
  ParseSettingsText(text, loaded, &kept_again);
  CheckSameRecord(record, loaded);
  FUZZ_CHECK(kept_again == kept);
  return 0;
}
