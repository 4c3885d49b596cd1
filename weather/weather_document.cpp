#include "weather/weather_document.h"

namespace {

bool Is(std::wstring_view name, std::wstring_view expected) { return EqualsIgnoreCase(name, expected); }

// The text state turns every character up to U+0020 into a space. Compared
// unsigned so that a 32-bit wchar_t below zero is an ordinary character.
bool IsControlOrSpace(wchar_t c) { return static_cast<uint32_t>(c) <= 0x20; }

// The forecast day the day counter points at, or nothing once five days were read.
ForecastDay* CurrentDay(const WeatherParser& parser, WeatherReport& report) {
  if (parser.day_counter < 0 || parser.day_counter >= kForecastDays) return nullptr;
  return &report.days[parser.day_counter];
}

void HandleTag(WeatherParser& p) {
  const std::wstring_view tag = p.tag_name.View();
  if (Is(tag, L"/day")) {
    ++p.day_counter;
    p.in_day = false;
  } else if (Is(tag, L"day")) {
    p.in_day = true;
  } else if (Is(tag, L"/wind")) {
    p.in_wind = false;
  } else if (Is(tag, L"wind")) {
    p.in_wind = true;
  } else if (Is(tag, L"cc")) {
    p.in_cc = true;
  } else if (Is(tag, L"/cc")) {
    p.in_cc = false;
  } else if (Is(tag, L"loc")) {
    p.in_loc = true;
  } else if (Is(tag, L"/loc")) {
    p.in_loc = false;
  } else if (Is(tag, L"moon")) {
    p.in_moon = true;
  } else if (Is(tag, L"/moon")) {
    p.in_moon = false;
  } else if (Is(tag, L"uv")) {
    p.in_uv = true;
  } else if (Is(tag, L"/uv")) {
    p.in_uv = false;
  } else if (Is(tag, L"/part")) {
    p.daytime_part = false;
    p.night_part = false;
  }

  // Every tag, opening or closing, decides all element flags afresh.
  p.el_ut = Is(tag, L"ut");
  p.el_dnam = Is(tag, L"dnam");
  p.el_tmp = Is(tag, L"tmp");
  p.el_lsup = Is(tag, L"lsup");
  p.el_icon = Is(tag, L"icon");
  p.el_sunr = Is(tag, L"sunr");
  p.el_suns = Is(tag, L"suns");
  p.el_hi = p.in_day && Is(tag, L"hi");
  p.el_low = p.in_day && Is(tag, L"low");
  p.el_forecast_t = p.in_day && Is(tag, L"t");
  p.el_current_t = Is(tag, L"t") && p.in_cc && !p.in_wind && !p.in_moon && !p.in_uv;
}

void HandleAttribute(WeatherParser& p, WeatherReport& report) {
  const std::wstring_view tag = p.tag_name.View();
  const std::wstring_view name = p.attribute_name.View();
  const std::wstring_view value = p.attribute_value.View();
  if (Is(tag, L"day") && Is(name, L"dt")) {
    if (ForecastDay* day = CurrentDay(p, report)) day->date.Assign(value);
  } else if (Is(tag, L"part") && Is(name, L"p")) {
    p.night_part = Is(value, L"n");
    p.daytime_part = Is(value, L"d");
  }
}

void HandleText(const WeatherParser& p, WeatherReport& report) {
  const std::wstring_view text = p.text.View();
  if (text.empty()) return;

  ForecastDay* day = p.in_wind ? nullptr : CurrentDay(p, report);
  if (day != nullptr) {
    if (p.el_hi) {
      day->high = ParseDecimal(text);
    } else if (p.el_low) {
      day->low = ParseDecimal(text);
    } else if (p.el_icon && p.daytime_part) {
      day->day_icon = ParseDecimal(text);
    } else if (p.el_icon && p.night_part) {
      day->night_icon = ParseDecimal(text);
    } else if (p.el_forecast_t && p.daytime_part) {
      day->day_text.Assign(text);
    } else if (p.el_forecast_t && p.night_part) {
      day->night_text.Assign(text);
    }
  }

  if (p.el_ut) {
    report.temp_unit = text[0];
  } else if (p.el_dnam) {
    report.location_name.Assign(text);
  } else if (p.el_tmp) {
    report.current_temp = ParseDecimal(text);
  } else if (p.el_sunr && p.in_loc) {
    report.sunrise = ParseClockTime(text);
  } else if (p.el_suns && p.in_loc) {
    report.sunset = ParseClockTime(text);
  } else if (p.el_lsup && p.in_cc) {
    report.last_updated.Assign(text);
  } else if (p.el_current_t) {
    report.current_text.Assign(text);
  } else if (p.el_icon && p.in_cc && !p.in_moon) {
    report.current_icon = ParseDecimal(text);
  }
}

// True when the document starts with an XML declaration whose encoding names
// a charset other than UTF-8.
bool DeclaresOtherCharset(std::string_view bytes) {
  if (!bytes.starts_with("<?xml")) return false;
  const std::size_t close = bytes.find("?>");
  if (close == std::string_view::npos) return false;
  const std::string_view declaration = bytes.substr(0, close);
  constexpr std::string_view kKey = "encoding";
  std::size_t i = declaration.find(kKey);
  if (i == std::string_view::npos) return false;
  i += kKey.size();
  while (i < declaration.size() && IsBlankOrLineEnd(declaration[i])) ++i;
  if (i >= declaration.size() || declaration[i] != '=') return false;
  ++i;
  while (i < declaration.size() && IsBlankOrLineEnd(declaration[i])) ++i;
  if (i >= declaration.size() || (declaration[i] != '"' && declaration[i] != '\'')) return false;
  const char quote = declaration[i++];
  const std::size_t end = declaration.find(quote, i);
  if (end == std::string_view::npos || end == i) return false;
  const std::wstring charset = WidenBytes(declaration.substr(i, end - i));
  return !Is(charset, L"utf-8") && !Is(charset, L"utf8");
}

}  // namespace

bool WeatherReportComplete(const WeatherReport& report) {
  return !report.location_name.Empty() && !report.last_updated.Empty();
}

void ScanBuffer::Clear() {
  length = 0;
  text[0] = L'\0';
}

void ScanBuffer::Append(wchar_t c) {
  if (length >= kWeatherBufferChars) return;
  text[length++] = c;
  text[length] = L'\0';
}

void FeedWeatherChar(WeatherParser& p, WeatherReport& report, wchar_t c) {
  switch (p.state) {
    case ScanState::Text:
      if (c == L'<') {
        HandleText(p, report);
        p.tag_name.Clear();
        p.state = ScanState::TagName;
      } else {
        p.text.Append(IsControlOrSpace(c) ? L' ' : c);
      }
      return;

    case ScanState::TagName:
      if (c == L'>') {
        // Also the end of a comment: its tag handler run clears the element flags.
        p.in_comment = false;
        HandleTag(p);
        p.text.Clear();
        p.state = ScanState::Text;
      } else if (p.in_comment) {
        return;  // up to the ">", a comment's equals signs and quotes start no attribute
      } else if (c == L' ') {
        if (p.tag_name.View().starts_with(L"!--")) {
          p.in_comment = true;
        } else {
          HandleTag(p);
          p.attribute_name.Clear();
          p.state = ScanState::AttributeName;
        }
      } else {
        p.tag_name.Append(c);
      }
      return;

    case ScanState::AttributeName:
      if (c == L'=') {
        p.attribute_value.Clear();
        p.opening_quote = false;
        p.state = ScanState::AttributeValue;
      } else if (c == L'>') {
        if (p.attribute_name.length != 0) HandleAttribute(p, report);
        p.text.Clear();
        p.state = ScanState::Text;
      } else if (!IsControlOrSpace(c) && c != L'?') {
        p.attribute_name.Append(c);
      }
      return;

    case ScanState::AttributeValue:
      if (c == L'"') {
        if (p.opening_quote) {
          HandleAttribute(p, report);
          p.attribute_name.Clear();
          p.state = ScanState::AttributeName;
        } else {
          p.opening_quote = true;
        }
      } else {
        p.attribute_value.Append(c);
      }
      return;
  }
}

void ScanClock(TextScanner& scan, ClockFields& clock) {
  if (scan.Number(clock.hour) && scan.Literal(L':') && scan.Number(clock.minute)) scan.Word(clock.marker);
}

ClockTime ParseClockTime(std::wstring_view text) {
  TextScanner scan{text};
  ClockFields clock{0, 0};
  ScanClock(scan, clock);
  int32_t hour = clock.hour;
  int32_t minute = clock.minute;
  if (minute < 0 || minute > 59) minute = 0;
  // The marker holds two characters at most, so containing "pm" means being it.
  const std::wstring_view marker(clock.marker);
  const bool pm = marker == L"pm" || marker == L"PM";
  if (hour < 0 || hour > 23) {
    hour = 0;  // no clock hour; would also wrap in 16 bits
  } else if (pm) {
    if (hour < 12) hour += 12;
  } else if (hour == 12) {
    hour = 0;
  }
  return ClockTime{static_cast<uint16_t>(hour), static_cast<uint16_t>(minute)};
}

std::wstring DecodeWeatherBytes(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  if (DeclaresOtherCharset(bytes)) {
    std::wstring text;
    text.reserve(bytes.size());
    for (const char b : bytes) text.push_back(Windows1252(b));
    return text;
  }
  return DecodeUtf8OrWindows1252(bytes);
}

WeatherReport ReadWeatherBytes(std::string_view bytes) {
  WeatherReport report;
  WeatherParser parser;
  for (const wchar_t c : DecodeWeatherBytes(bytes)) FeedWeatherChar(parser, report, c);
  return report;
}
