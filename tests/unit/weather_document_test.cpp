#include "weather/weather_document.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Every field of a report, one per line, so a mismatch shows which one.
std::wstring Dump(const WeatherReport& r) {
  using std::to_wstring;
  const auto text = [](const WeatherText& t) { return std::wstring(t.View()); };
  const auto clock = [](ClockTime t) { return to_wstring(t.hour) + L":" + to_wstring(t.minute); };
  std::wstring out = L"location_name=" + text(r.location_name) + L"\n";
  out += L"temp_unit=" + std::wstring(&r.temp_unit, r.temp_unit == 0 ? 0 : 1) + L"\n";
  out += L"current_temp=" + to_wstring(r.current_temp) + L"\n";
  out += L"current_text=" + text(r.current_text) + L"\n";
  out += L"current_icon=" + to_wstring(r.current_icon) + L"\n";
  out += L"sunrise=" + clock(r.sunrise) + L" sunset=" + clock(r.sunset) + L"\n";
  out += L"last_updated=" + text(r.last_updated) + L"\n";
  for (const ForecastDay& d : r.days) {
    out += L"day " + text(d.date) + L", " + to_wstring(d.high) + L"/" + to_wstring(d.low) + L", " +
           to_wstring(d.day_icon) + L" " + text(d.day_text) + L", " + to_wstring(d.night_icon) + L" " +
           text(d.night_text) + L"\n";
  }
  return out + L"file_time=" + to_wstring(r.file_time) + L"\n";
}

constexpr char kDocument[] = R"xml(<?xml version="1.0" encoding="ISO-8859-1"?>
<!--This document is intended only for use by authorized licensees. -->
<weather ver="2.0">
  <head><locale>en_US</locale><form>MEDIUM</form><ut>C</ut><ud>km</ud><us>km/h</us><up>mb</up></head>
  <loc id="RSXX0091">
    <dnam>Saint-Petersburg, Russia</dnam>
    <tm>3:24 PM</tm><lat>59.89</lat><lon>30.26</lon>
    <sunr>4:52 AM</sunr>
    <suns>10:23 PM</suns>
    <zone>3</zone>
  </loc>
  <cc>
    <lsup>6/14/24 2:50 PM Local Time</lsup>
    <obst>Saint-Petersburg, Russia</obst>
    <tmp>18</tmp><flik>17</flik>
    <t>Mostly Cloudy</t>
    <icon>28</icon>
    <bar><r>1015.9</r><d>steady</d></bar>
    <wind><s>14</s><gust>N/A</gust><d>250</d><t>WSW</t></wind>
    <hmid>59</hmid><vis>10.0</vis>
    <uv><i>3</i><t>Moderate</t></uv>
    <dewp>10</dewp>
    <moon><icon>9</icon><t>Waxing Gibbous</t></moon>
  </cc>
  <dayf>
    <lsup>6/14/24 1:05 PM Local Time</lsup>
    <day d="0" t="Friday" dt="Jun 14"><hi>21</hi><low>12</low><sunr>4:53 AM</sunr><suns>10:22 PM</suns>
      <part p="d"><icon>30</icon><t>Partly Cloudy</t><wind><s>13</s><t>W</t></wind><ppcp>10</ppcp></part>
      <part p="n"><icon>11</icon><t>Showers</t><wind><s>8</s><t>SW</t></wind><ppcp>40</ppcp></part></day>
    <day d="1" t="Saturday" dt="Jun 15"><hi>19</hi><low>11</low><sunr>4:53 AM</sunr><suns>10:23 PM</suns>
      <part p="d"><icon>12</icon><t>Rain</t><wind><s>20</s><t>NW</t></wind><ppcp>80</ppcp></part>
      <part p="n"><icon>29</icon><t>Partly Cloudy</t><wind><s>9</s><t>N</t></wind><ppcp>20</ppcp></part></day>
    <day d="2" t="Sunday" dt="Jun 16"><hi>23</hi><low>13</low><sunr>4:52 AM</sunr><suns>10:24 PM</suns>
      <part p="d"><icon>32</icon><t>Sunny</t><wind><s>11</s><t>E</t></wind><ppcp>0</ppcp></part>
      <part p="n"><icon>31</icon><t>Clear</t><wind><s>5</s><t>SE</t></wind><ppcp>0</ppcp></part></day>
    <day d="3" t="Monday" dt="Jun 17"><hi>17</hi><low>9</low><sunr>4:51 AM</sunr><suns>10:25 PM</suns>
      <part p="d"><icon>4</icon><t>T-Storms</t><wind><s>25</s><t>S</t></wind><ppcp>60</ppcp></part>
      <part p="n"><icon>27</icon><t>Mostly Cloudy</t><wind><s>12</s><t>SSW</t></wind><ppcp>30</ppcp></part></day>
    <day d="4" t="Tuesday" dt="Jun 18"><hi>20</hi><low>-1</low><sunr>4:51 AM</sunr><suns>10:25 PM</suns>
      <part p="d"><icon>34</icon><t>Mostly Sunny</t><wind><s>10</s><t>NE</t></wind><ppcp>10</ppcp></part>
      <part p="n"><icon>45</icon><t>Scattered Showers</t><wind><s>7</s><t>ENE</t></wind><ppcp>50</ppcp></part></day>
  </dayf>
</weather>
)xml";

TEST(WeatherDocument, ReadsEveryFieldOfARealisticDocument) {
  const WeatherReport report = ReadWeatherBytes(kDocument);
  EXPECT_EQ(Dump(report),
            L"location_name=Saint-Petersburg, Russia\n"
            L"temp_unit=C\n"
            L"current_temp=18\n"
            L"current_text=Mostly Cloudy\n"
            L"current_icon=28\n"
            L"sunrise=4:52 sunset=22:23\n"
            L"last_updated=6/14/24 2:50 PM Local Time\n"
            L"day Jun 14, 21/12, 30 Partly Cloudy, 11 Showers\n"
            L"day Jun 15, 19/11, 12 Rain, 29 Partly Cloudy\n"
            L"day Jun 16, 23/13, 32 Sunny, 31 Clear\n"
            L"day Jun 17, 17/9, 4 T-Storms, 27 Mostly Cloudy\n"
            L"day Jun 18, 20/-1, 34 Mostly Sunny, 45 Scattered Showers\n"
            L"file_time=0\n");
  EXPECT_TRUE(WeatherReportComplete(report));
  EXPECT_FALSE(WeatherReportComplete(ReadWeatherBytes("<dnam>Oslo</dnam>")));
  EXPECT_FALSE(WeatherReportComplete(ReadWeatherBytes("<cc><lsup>now</lsup></cc>")));
}

TEST(WeatherDocument, EdgeCases) {
  struct Case {
    const char* what;
    std::string document;
    void (*expect)(WeatherReport&);  // fills the expected fields into a cleared report
  };
  const Case cases[] = {
      {"a comment with an equals sign and a quote only clears the element flags",
       R"(<cc><t>Sunny<!-- a="b -->Rain</t><tmp>7<!--x="y"-->8</tmp></cc>)",
       [](WeatherReport& r) {
         r.current_text.Assign(L"Sunny");
         r.current_temp = 7;
       }},
      {"only a t directly inside cc is the condition text",
       "<cc><wind><t>NNE</t></wind><t>Fair</t><uv><t>Low</t></uv><moon><t>New</t></moon></cc><t>After</t>",
       [](WeatherReport& r) { r.current_text.Assign(L"Fair"); }},
      {"a non-numeric hi stores 0", R"(<day dt="Mon"><hi>7</hi><hi>N/A</hi><low>-4</low></day>)",
       [](WeatherReport& r) {
         r.days[0].date.Assign(L"Mon");
         r.days[0].low = -4;
       }},
      {"a sixth day is ignored",
       R"(<day dt="D0"><hi>10</hi></day><day dt="D1"><hi>11</hi></day><day dt="D2"><hi>12</hi></day>)"
       R"(<day dt="D3"><hi>13</hi></day><day dt="D4"><hi>14</hi></day>)"
       R"(<day dt="D5"><hi>15</hi><low>5</low><part p="d"><icon>32</icon><t>Hot</t></part></day>)",
       [](WeatherReport& r) {
         for (int i = 0; i < kForecastDays; ++i) {
           r.days[i].date.Assign(L"D" + std::to_wstring(i));
           r.days[i].high = 10 + i;
         }
       }},
      {"a text of 150 characters keeps its first 99", "<dnam>" + std::string(99, 'a') + std::string(51, 'b') + "</dnam>",
       [](WeatherReport& r) { r.location_name.Assign(std::wstring(99, L'a')); }},
      {"tag and attribute names match in any case",
       R"(<LOC><DNAM>Oslo</DNAM><SUNR>5:10 AM</SUNR></LOC><CC><LSUP>now</LSUP><T>Clear</T><ICON>31</ICON></CC>)"
       R"(<T>After</T><DAY DT="Mon"><PART P="N"><T>Rain</T></PART></DAY>)",
       [](WeatherReport& r) {
         r.location_name.Assign(L"Oslo");
         r.sunrise = ClockTime{5, 10};
         r.last_updated.Assign(L"now");
         r.current_text.Assign(L"Clear");
         r.current_icon = 31;
         r.days[0].date.Assign(L"Mon");
         r.days[0].night_text.Assign(L"Rain");
       }},
      {"a line break and a tab in a text become spaces", "<cc><t>Light Rain\nand\tFog</t></cc>",
       [](WeatherReport& r) { r.current_text.Assign(L"Light Rain and Fog"); }},
      {"a zero byte is a control character like any other", std::string("<dnam>A\0B</dnam>", 16),
       [](WeatherReport& r) { r.location_name.Assign(L"A B"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WeatherReport expected;
    c.expect(expected);
    EXPECT_EQ(Dump(ReadWeatherBytes(c.document)), Dump(expected));
  }
}

TEST(WeatherDocument, ASplitAtAnyByteReadsAsOneDocument) {
  const std::string_view document = kDocument;
  const std::wstring whole = Dump(ReadWeatherBytes(document));
  for (std::size_t split = 0; split <= document.size(); ++split) {
    WeatherParser parser;
    WeatherReport report;
    for (const std::string_view piece : {document.substr(0, split), document.substr(split)}) {
      for (const wchar_t c : DecodeWeatherBytes(piece)) FeedWeatherChar(parser, report, c);
    }
    ASSERT_EQ(Dump(report), whole) << "split at byte " << split;
  }
}

TEST(WeatherDocument, ACompleteDocumentLeavesTheScannerAsItStarted) {
  WeatherParser parser;
  WeatherReport report;
  for (const wchar_t c : DecodeWeatherBytes(kDocument)) FeedWeatherChar(parser, report, c);
  EXPECT_EQ(parser.state, ScanState::Text);
  EXPECT_FALSE(parser.in_comment);
  EXPECT_FALSE(parser.in_day);
  EXPECT_FALSE(parser.in_wind);
  EXPECT_FALSE(parser.in_cc);
  EXPECT_FALSE(parser.in_loc);
  EXPECT_FALSE(parser.in_moon);
  EXPECT_FALSE(parser.in_uv);
  EXPECT_FALSE(parser.daytime_part);
  EXPECT_FALSE(parser.night_part);
}

TEST(WeatherDocument, ClockTimes) {
  struct Case {
    const wchar_t* text;
    uint16_t hour;
    uint16_t minute;
  };
  const Case cases[] = {
      {L"6:52 am", 6, 52},
      {L"7:08 PM", 19, 8},
      {L"12:15 am", 0, 15},
      {L"12:40 pm", 12, 40},
      {L"7:08 Pm", 7, 8},         // the marker is case-sensitive
      {L"7:08pm", 19, 8},         // the white space before the marker may be missing
      {L"  7: 08  PMT", 19, 8},   // numbers skip white space; the marker is two characters
      {L"7:08 xpm", 7, 8},        // "xp" holds no "pm"
      {L"19:30", 19, 30},
      {L"7:61 pm", 19, 0},
      {L"7:-5 am", 7, 0},
      {L"7 :08 pm", 7, 0},        // the colon must follow the hour: scanning stops there
      {L"7 08 pm", 7, 0},
      {L"12", 0, 0},
      {L"-3:00 pm", 0, 0},
      {L"99999999999:30 pm", 0, 30},
      {L"Noon", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
    const ClockTime t = ParseClockTime(c.text);
    EXPECT_EQ(t.hour, c.hour);
    EXPECT_EQ(t.minute, c.minute);
  }
}

TEST(WeatherDocument, Encodings) {
  struct Case {
    const char* what;
    std::string bytes;
    std::wstring text;
  };
  const Case cases[] = {
      {"declared ISO-8859-1: every byte is Windows-1252",
       "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>Z\xFCrich \x80\x81 \xC3\xBC",
       L"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>Z\u00FCrich \u20AC\u0081 \u00C3\u00BC"},
      {"declared UTF-8", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>Z\xC3\xBCrich",
       L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>Z\u00FCrich"},
      {"declared utf8 in single quotes", "<?xml version='1.0' encoding = 'utf8' ?>S\xC3\xA3o Paulo",
       L"<?xml version='1.0' encoding = 'utf8' ?>S\u00E3o Paulo"},
      {"undeclared UTF-8", "S\xC3\xA3o Paulo, Z\xC3\xBCrich", L"S\u00E3o Paulo, Z\u00FCrich"},
      {"undeclared Latin-1 falls back byte by byte", "Z\xFCrich S\xE3o", L"Z\u00FCrich S\u00E3o"},
      {"invalid sequences fall back one byte at a time and decoding resumes",
       "\xC3(|\xC0\xAF|\xED\xA0\x80|\xF4\x90\x80\x80|\xE2\x82\xAC|\xE2\x82",
       L"\u00C3(|\u00C0\u00AF|\u00ED\u00A0\u20AC|\u00F4\u0090\u20AC\u20AC|\u20AC|\u00E2\u201A"},
      {"a byte-order mark is dropped and the declaration after it counts",
       "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"windows-1252\"?>\x93",
       L"<?xml version=\"1.0\" encoding=\"windows-1252\"?>\u201C"},
      {"a 4-byte sequence becomes a surrogate pair", "\xF0\x9F\x9A\x82", std::wstring{wchar_t(0xD83D), wchar_t(0xDE82)}},
      {"a zero byte stays", std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(DecodeWeatherBytes(c.bytes), c.text);
  }
}

}  // namespace
