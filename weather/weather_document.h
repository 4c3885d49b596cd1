// The weather service's document and the small tag scanner that reads it one
// character at a time. No general XML parser: a fixed set of element and
// attribute names, a few section flags, and texts copied straight into the
// report.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/wide_text.h"

inline constexpr int kForecastDays = 5;
// The condition code the service sends for "not available".
inline constexpr int32_t kUnknownWeatherCode = 44;
// Every scanner buffer keeps at most this many characters; report texts one fewer.
inline constexpr std::size_t kWeatherBufferChars = 100;

using WeatherText = FixedText<kWeatherBufferChars - 1>;

struct ClockTime {
  uint16_t hour = 0;
  uint16_t minute = 0;
};

struct ForecastDay {
  WeatherText date;
  WeatherText day_text;
  WeatherText night_text;
  int32_t day_icon = 0;
  int32_t high = 0;
  int32_t night_icon = 0;
  int32_t low = 0;
};

struct WeatherReport {
  WeatherText location_name;
  wchar_t temp_unit = 0;
  int32_t current_temp = 0;
  WeatherText current_text;
  int32_t current_icon = 0;
  ClockTime sunrise;
  ClockTime sunset;
  ForecastDay days[kForecastDays];
  WeatherText last_updated;
  // Last-write time of the document's file, 100 ns units since 1601-01-01 UTC.
  int64_t file_time = 0;
};

// Both the place and the observation time were read.
bool WeatherReportComplete(const WeatherReport& report);

// A bounded character buffer of the scanner.
struct ScanBuffer {
  wchar_t text[kWeatherBufferChars + 1] = {};
  std::size_t length = 0;

  void Clear();
  void Append(wchar_t c);  // ignored once the buffer holds kWeatherBufferChars
  std::wstring_view View() const { return std::wstring_view(text, length); }
};

enum class ScanState { Text, TagName, AttributeName, AttributeValue };

// The scanner's whole state. One parser reads one document from its start in
// the text state with every flag off; a complete document leaves it so.
struct WeatherParser {
  ScanState state = ScanState::Text;
  bool in_comment = false;  // inside a "<!--" tag, skipping to its ">"
  ScanBuffer text, tag_name, attribute_name, attribute_value;
  bool opening_quote = false;
  // Sections the scanner is inside.
  bool in_day = false, in_wind = false, in_cc = false, in_loc = false, in_moon = false, in_uv = false;
  bool daytime_part = false, night_part = false;
  // Element flags, set anew by every tag.
  bool el_ut = false, el_dnam = false, el_tmp = false, el_lsup = false, el_hi = false, el_low = false;
  bool el_icon = false, el_forecast_t = false, el_current_t = false, el_sunr = false, el_suns = false;
  int day_counter = 0;
};

// Advances the scanner by one character; every effect goes to `parser` and `report`.
void FeedWeatherChar(WeatherParser& parser, WeatherReport& report, wchar_t c);

// The "h:mm am" part of the service's times, read like "%d:%d %2s": an hour,
// ":", a minute, then the first two characters of the next word. A field is
// read only after the one before it; one that is not read keeps its value.
struct ClockFields {
  int32_t hour;
  int32_t minute;
  wchar_t marker[3] = {};
};
void ScanClock(TextScanner& scan, ClockFields& clock);

// "6:52 am" gives 06:52, "7:08 PM" 19:08, "12:15 am" 00:15; what cannot be read
// counts as 0, and so do a minute outside 0..59 and an hour outside 0..23.
ClockTime ParseClockTime(std::wstring_view text);

// The document's bytes as UTF-16 (surrogate pairs also where wchar_t has 32
// bits), a leading UTF-8 byte-order mark dropped: a document whose XML
// declaration names a charset other than UTF-8 is read byte for byte as
// Windows-1252; one that declares UTF-8, or nothing, is decoded as UTF-8, each
// byte of an invalid sequence read as Windows-1252. A zero byte stays U+0000.
std::wstring DecodeWeatherBytes(std::string_view bytes);

// A cleared report with the whole document fed through a new parser.
// `file_time` stays 0: the caller knows the file.
WeatherReport ReadWeatherBytes(std::string_view bytes);
