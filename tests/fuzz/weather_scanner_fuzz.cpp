// The weather document scanner, fed whole and in pieces the way a block
// reader would decode them. Input: one byte for the largest piece, three for
// the piece sizes' seed, then the document.
#include <tuple>

#include "fuzz_support.h"
#include "weather/weather_document.h"

namespace {

void CheckText(const WeatherText& t) {
  FUZZ_CHECK(t.text[WeatherText::kCapacity] == L'\0');
  FUZZ_CHECK(t.View().size() <= kWeatherBufferChars - 1);
}

void CheckBuffer(const ScanBuffer& b) {
  FUZZ_CHECK(b.length <= kWeatherBufferChars);
  FUZZ_CHECK(b.text[b.length] == L'\0');
}

void CheckClock(ClockTime t) { FUZZ_CHECK(t.hour <= 23 && t.minute <= 59); }

void CheckReport(const WeatherReport& r) {
  CheckText(r.location_name);
  CheckText(r.current_text);
  CheckText(r.last_updated);
  for (const ForecastDay& d : r.days) {
    CheckText(d.date);
    CheckText(d.day_text);
    CheckText(d.night_text);
  }
  CheckClock(r.sunrise);
  CheckClock(r.sunset);
}

void CheckParser(const WeatherParser& p) {
  CheckBuffer(p.text);
  CheckBuffer(p.tag_name);
  CheckBuffer(p.attribute_name);
  CheckBuffer(p.attribute_value);
}

auto Fields(const ForecastDay& d) {
  return std::tuple(d.date.View(), d.day_text.View(), d.night_text.View(), d.day_icon, d.high, d.night_icon, d.low);
}

bool SameReport(const WeatherReport& a, const WeatherReport& b) {
  const auto fields = [](const WeatherReport& r) {
    return std::tuple(r.location_name.View(), r.temp_unit, r.current_temp, r.current_text.View(), r.current_icon,
                      r.sunrise.hour, r.sunrise.minute, r.sunset.hour, r.sunset.minute, r.last_updated.View(),
                      r.file_time);
  };
  if (fields(a) != fields(b)) return false;
  for (int i = 0; i < kForecastDays; ++i) {
    if (Fields(a.days[i]) != Fields(b.days[i])) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const std::size_t largest_piece = 1 + data[0];
  uint32_t seed = data[1] | (data[2] << 8) | (data[3] << 16) | 1u;
  const std::string_view document = FuzzBytes(data + 4, size - 4);

  const WeatherReport whole = ReadWeatherBytes(document);
  CheckReport(whole);

  WeatherParser parser;
  WeatherReport pieces;
  for (std::size_t at = 0; at < document.size();) {
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    const std::size_t length = 1 + seed % largest_piece;
    for (const wchar_t c : DecodeWeatherBytes(document.substr(at, length))) FeedWeatherChar(parser, pieces, c);
    CheckParser(parser);
    CheckReport(pieces);
    at += length;
  }

  // Pure ASCII decodes the same in any pieces, so the scanner must end the same.
  bool ascii = true;
  for (const char b : document) ascii = ascii && static_cast<unsigned char>(b) < 0x80;
  if (ascii) FUZZ_CHECK(SameReport(whole, pieces));
  return 0;
}
