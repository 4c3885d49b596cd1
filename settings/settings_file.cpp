#include "settings/settings_file.h"

#include <algorithm>
#include <cwchar>
#include <utility>

#include "settings/server_defaults.h"

namespace {

struct ServerKey {
  const wchar_t* name;
  FixedText<kServerValueLimit> Settings::*field;
  const wchar_t* compiled_default;
};

constexpr ServerKey kServerKeys[] = {
    {L"photo_site", &Settings::photo_site, kDefaultPhotoSite},
    {L"image_prefix", &Settings::image_prefix, kDefaultImagePrefix},
    {L"weather_host", &Settings::weather_host, kDefaultWeatherHost},
    {L"update_host", &Settings::update_host, kDefaultUpdateHost},
    {L"web_host", &Settings::web_host, kDefaultWebHost},
};

constexpr const wchar_t* kStandardKeys[] = {L"dloption",       L"guid",        L"newver",     L"show_weather",
                                            L"weather_loc_id", L"weather_loc", L"show_newver"};

constexpr struct {
  MonitorMode mode;
  const wchar_t* name;
} kMonitorModes[] = {{MonitorMode::Primary, L"primary"}, {MonitorMode::Black, L"black"}, {MonitorMode::All, L"all"}};

const wchar_t* MonitorModeName(MonitorMode mode) {
  for (const auto& m : kMonitorModes)
    if (m.mode == mode) return m.name;
  return kMonitorModes[0].name;
}

bool ApplyServerKey(Settings& s, std::wstring_view key, std::wstring_view value) {
  for (const ServerKey& k : kServerKeys) {
    if (EqualsIgnoreCase(key, k.name)) {
      (s.*k.field).Assign(value);
      return true;
    }
  }
  return false;
}

// A number is kept within the range; text with no number where the program
// reads one (after white space and a sign) leaves the default.
int32_t SlideSecondsFrom(std::wstring_view value) {
  std::size_t at = value.find_first_not_of(L" \t\n\v\f\r");
  if (at != std::wstring_view::npos && (value[at] == L'+' || value[at] == L'-')) ++at;
  if (at >= value.size() || value[at] < L'0' || value[at] > L'9') return kDefaultSlideSeconds;
  return std::clamp(ParseDecimal(value), kSlideSecondsLeast, kSlideSecondsMost);
}

// Values come from outside (update answer, search service, hand edits), so
// every character below U+0020 is left out: no value can add, remove or
// change a line.
void AppendPrintable(std::wstring& text, std::wstring_view value) {
  for (const wchar_t c : value) {
    if (static_cast<uint32_t>(c) >= 0x20) text += c;
  }
}

void AppendLine(std::wstring& text, std::wstring_view key, std::wstring_view value) {
  if (!text.empty()) text += L'\n';
  text += key;
  text += L'=';
  AppendPrintable(text, value);
}

void AppendKeptLine(std::wstring& text, std::wstring_view line) {
  if (!text.empty()) text += L'\n';
  AppendPrintable(text, line);
}

}  // namespace

MonitorMode ParseMonitorMode(std::wstring_view value) {
  for (const auto& m : kMonitorModes)
    if (EqualsIgnoreCase(value, m.name)) return m.mode;
  return MonitorMode::Primary;
}

wchar_t WeatherUnitFrom(std::wstring_view value) { return EqualsIgnoreCase(value, L"s") ? L's' : L'm'; }

std::wstring FormatGuid(const Guid& g) {
  wchar_t buffer[33];
  std::swprintf(buffer, 33, L"%08X%04X%04X%02X%02X%02X%02X%02X%02X%02X%02X", static_cast<unsigned>(g.data1),
                static_cast<unsigned>(g.data2), static_cast<unsigned>(g.data3), g.data4[0], g.data4[1], g.data4[2],
                g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return buffer;
}

namespace {

// Blanks a hand edit leaves around keys and values.
std::wstring_view TrimBlanks(std::wstring_view v) {
  while (!v.empty() && v.front() == L' ') v.remove_prefix(1);
  while (!v.empty() && v.back() == L' ') v.remove_suffix(1);
  return v;
}

// Reads one pair into `s`; false when the key is not one the saver owns.
bool ReadPair(Settings& s, const std::wstring& key, const std::wstring& value, bool& guid_seen) {
  if (EqualsIgnoreCase(key, L"guid")) {
    s.guid.Assign(value);
    guid_seen = true;
  } else if (EqualsIgnoreCase(key, L"newver")) {
    s.newver.Assign(value);
  } else if (EqualsIgnoreCase(key, L"show_newver")) {
    s.show_newver = ParseDecimal(value);
  } else if (EqualsIgnoreCase(key, L"show_weather")) {
    s.show_weather = ParseDecimal(value);
  } else if (EqualsIgnoreCase(key, L"weather_loc")) {
    s.weather_loc.Assign(value);
  } else if (EqualsIgnoreCase(key, L"weather_loc_id")) {
    s.weather_loc_id.Assign(value);
  } else if (EqualsIgnoreCase(key, L"slide_seconds")) {
    s.slide_seconds = SlideSecondsFrom(value);
  } else if (EqualsIgnoreCase(key, L"monitors")) {
    s.monitors = ParseMonitorMode(value);
  } else if (EqualsIgnoreCase(key, L"weather_unit")) {
    s.weather_unit = WeatherUnitFrom(value);
  } else if (!ApplyServerKey(s, key, value)) {
    ApplySetting(s, key.c_str(), value.c_str());
    return EqualsIgnoreCase(key, L"dloption");
  }
  return true;
}

}  // namespace

bool ParseSettingsText(std::wstring_view text, Settings& s, std::vector<std::wstring>* kept_lines) {
  bool guid_seen = false;
  // A mark left in the text by an editor belongs to no key.
  if (text.starts_with(L'\xFEFF')) text.remove_prefix(1);
  for (std::size_t pos = 0; pos <= text.size();) {
    const std::size_t end = std::min(text.find(L'\n', pos), text.size());
    // A tab reads as a blank; other characters below U+0020 are never saved,
    // so they are not read either: a kept line reads back as it was kept.
    std::wstring line;
    for (const wchar_t c : text.substr(pos, end - pos)) {
      if (c == L'\t') {
        line += L' ';
      } else if (static_cast<uint32_t>(c) >= 0x20) {
        line += c;
      }
    }
    pos = end + 1;
    if (TrimBlanks(line).empty()) continue;
    const std::size_t eq = line.find(L'=');
    const std::wstring_view view(line);
    const bool owned = eq != std::wstring::npos &&
                       ReadPair(s, std::wstring(TrimBlanks(view.substr(0, eq))),
                                std::wstring(TrimBlanks(view.substr(eq + 1))), guid_seen);
    if (!owned && kept_lines != nullptr) kept_lines->push_back(std::move(line));
  }
  return guid_seen && !s.newver.Empty() && !s.weather_loc.Empty() && !s.weather_loc_id.Empty();
}

std::wstring ComposeSettingsText(Settings& s, std::span<const SettingPair> extra,
                                 const std::function<Guid()>& new_guid, std::span<const std::wstring> kept_lines) {
  std::wstring text;
  bool given[std::size(kStandardKeys)] = {};
  for (const SettingPair& pair : extra) {
    AppendLine(text, pair.key, pair.value);
    for (std::size_t k = 0; k < std::size(kStandardKeys); ++k) {
      if (EqualsIgnoreCase(pair.key, kStandardKeys[k])) given[k] = true;
    }
  }
  auto wanted = [&](const wchar_t* key) {
    for (std::size_t k = 0; k < std::size(kStandardKeys); ++k) {
      if (std::wcscmp(kStandardKeys[k], key) == 0) return !given[k];
    }
    return true;
  };

  if (wanted(L"guid")) {
    if (s.guid.View().size() < 32) s.guid.Assign(FormatGuid(new_guid()));
    AppendLine(text, L"guid", s.guid.View());
  }
  if (wanted(L"newver")) AppendLine(text, L"newver", s.newver.Empty() ? kOwnVersion : s.newver.View());
  if (wanted(L"show_weather")) AppendLine(text, L"show_weather", s.show_weather != 0 ? L"1" : L"0");
  if (wanted(L"weather_loc_id")) {
    if (s.weather_loc_id.Empty()) {
      s.weather_loc_id.Assign(kDefaultLocationId);
      s.weather_loc.Assign(kDefaultLocationName);
    }
    AppendLine(text, L"weather_loc_id", s.weather_loc_id.View());
  }
  if (wanted(L"weather_loc")) {
    if (s.weather_loc.Empty()) {
      s.weather_loc.Assign(EqualsIgnoreCase(s.weather_loc_id.View(), kDefaultLocationId) ? kDefaultLocationName
                                                                                           : L"?");
    }
    AppendLine(text, L"weather_loc", s.weather_loc.View());
  }
  if (wanted(L"show_newver")) AppendLine(text, L"show_newver", s.show_newver != 0 ? L"1" : L"0");
  if (s.slide_seconds != kDefaultSlideSeconds) AppendLine(text, L"slide_seconds", std::to_wstring(s.slide_seconds));
  if (s.monitors != MonitorMode::Primary) AppendLine(text, L"monitors", MonitorModeName(s.monitors));
  if (s.weather_unit != L'm') AppendLine(text, L"weather_unit", L"s");

  for (const ServerKey& k : kServerKeys) {
    const std::wstring_view value = (s.*k.field).View();
    if (value != k.compiled_default) AppendLine(text, k.name, value);
  }
  for (const std::wstring& line : kept_lines) AppendKeptLine(text, line);
  return text;
}

std::wstring ComposeSavedSettings(Settings& s, const std::function<Guid()>& new_guid,
                                  std::span<const std::wstring> kept_lines) {
  const std::wstring dloption = std::to_wstring(s.dloption);
  const SettingPair pairs[] = {{L"dloption", dloption}};
  return ComposeSettingsText(s, pairs, new_guid, kept_lines);
}

std::wstring MergeSettingsText(std::wstring_view on_disk, Settings& mine, SettingsOwner owner,
                               const std::function<Guid()>& new_guid, const PolicyLocks& locked) {
  Settings merged;
  std::vector<std::wstring> kept_lines;
  ParseSettingsText(on_disk, merged, &kept_lines);
  if (merged.guid.View().size() < 32) merged.guid = mine.guid;
  switch (owner) {
    case SettingsOwner::SetupDialog:
      if (!locked.dloption) merged.dloption = mine.dloption;
      if (!locked.show_weather) merged.show_weather = mine.show_weather;
      if (!locked.show_newver) merged.show_newver = mine.show_newver;
      if (!locked.location) {
        merged.weather_loc = mine.weather_loc;
        merged.weather_loc_id = mine.weather_loc_id;
      }
      break;
    case SettingsOwner::VersionCheck:
      merged.newver = mine.newver;
      break;
    case SettingsOwner::MoreSettings:
      if (!locked.slide_seconds) merged.slide_seconds = mine.slide_seconds;
      if (!locked.monitors) merged.monitors = mine.monitors;
      if (!locked.weather_unit) merged.weather_unit = mine.weather_unit;
      break;
  }
  std::wstring text = ComposeSavedSettings(merged, new_guid, kept_lines);
  mine.guid = merged.guid;
  return text;
}

std::string EncodeUtf16Le(std::wstring_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (wchar_t c : text) {
    const auto unit = static_cast<uint16_t>(c);
    bytes += static_cast<char>(unit & 0xff);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

std::wstring DecodeSettingsBytes(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE")) return DecodeUtf16Le(bytes.substr(2));
  if (bytes.starts_with("\xFE\xFF")) {
    std::string swapped(bytes.substr(2));
    for (std::size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
    return DecodeUtf16Le(swapped);
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  // Text with keys in UTF-16 always holds zero bytes; UTF-8 text never does.
  if (bytes.find('\0') != std::string_view::npos) return DecodeUtf16Le(bytes);
  return DecodeUtf8OrWindows1252(bytes);
}

std::wstring DecodeUtf16Le(std::string_view bytes) {
  std::wstring text;
  text.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto unit = static_cast<wchar_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8));
    if (unit == L'\0') break;
    text += unit;
  }
  return text;
}
