// The text of settings.cfg: key=value lines, UTF-16LE without byte-order mark,
// separated by single line feeds, no line feed after the last line.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings/policy.h"
#include "settings/settings.h"

struct SettingPair {
  std::wstring_view key;
  std::wstring_view value;
};

struct Guid {
  uint32_t data1 = 0;
  uint16_t data2 = 0;
  uint16_t data3 = 0;
  uint8_t data4[8] = {};
};

// A monitors value in any case; an unknown one is Primary.
MonitorMode ParseMonitorMode(std::wstring_view value);
// A weather_unit value: "s" in either case, anything else the default "m".
wchar_t WeatherUnitFrom(std::wstring_view value);

// 32 upper-case hexadecimal digits, no dashes.
std::wstring FormatGuid(const Guid& guid);

// Reads the pairs of a settings text into `s`: one key=value a line, LF or
// CRLF, blanks around keys and values and blank lines ignored. Lines that are
// not a key the saver writes (unknown keys, lines without "=") go to
// `kept_lines` in their order, for the next save to keep. Returns true when
// the text is complete: a guid line was seen and newver, weather_loc and
// weather_loc_id all have values. An incomplete text must be rewritten.
bool ParseSettingsText(std::wstring_view text, Settings& s, std::vector<std::wstring>* kept_lines = nullptr);

// Builds the text to store: the extra pairs in order, then the standard keys
// that were not among them, then slide_seconds, monitors, weather_unit and every server key
// whose value is not its default, then `kept_lines`. Characters below U+0020
// are left out of every value and kept line. Fills missing values into `s` on the way (a new guid from
// `new_guid` when the stored one is shorter than 32 characters, the default
// location when none is set).
std::wstring ComposeSettingsText(Settings& s, std::span<const SettingPair> extra,
                                 const std::function<Guid()>& new_guid, std::span<const std::wstring> kept_lines = {});

// What the saver stores: the one extra pair "dloption".
std::wstring ComposeSavedSettings(Settings& s, const std::function<Guid()>& new_guid,
                                  std::span<const std::wstring> kept_lines = {});

// Whose values a save brings into the file. Several saver processes share the
// file (a preview runs while the setup dialog is open), so each changes only
// its own fields and keeps every other value and line as the file holds it.
enum class SettingsOwner {
  SetupDialog,   // dloption, show_weather, show_newver, weather_loc, weather_loc_id
  VersionCheck,  // newver
  MoreSettings,  // slide_seconds, monitors, weather_unit
};

// The text that replaces `on_disk` (the file's current text, empty when there
// is none) when `mine` saves the fields of `owner`. A guid that the file lacks
// (or holds shorter than 32 characters) is filled in from mine, or new from
// `new_guid` when mine has none either; mine keeps the stored one. A field a
// policy sets (`locked`) keeps the file's value: policies are never stored.
std::wstring MergeSettingsText(std::wstring_view on_disk, Settings& mine, SettingsOwner owner,
                               const std::function<Guid()>& new_guid, const PolicyLocks& locked = {});

// The text of a settings file as the saver or an editor left it: UTF-16LE
// with or without a byte-order mark, UTF-16BE with one, UTF-8 with or without
// one (a byte that is not UTF-8 read as Windows-1252).
std::wstring DecodeSettingsBytes(std::string_view bytes);

// UTF-16LE bytes <-> text. Decoding stops at the first zero character and
// drops a trailing odd byte, as a zero-terminated read of the file would.
std::string EncodeUtf16Le(std::wstring_view text);
std::wstring DecodeUtf16Le(std::string_view bytes);
