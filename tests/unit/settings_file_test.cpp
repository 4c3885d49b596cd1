#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "settings/gallery_table.h"
#include "settings/server_defaults.h"

namespace {

Guid FixedGuid() {
  Guid g;
  g.data1 = 0x0123abcd;
  g.data2 = 0x4567;
  g.data3 = 0x89ef;
  const uint8_t tail[8] = {0xfe, 0xdc, 0xba, 0x98, 0x76, 0x54, 0x32, 0x10};
  for (int i = 0; i < 8; ++i) g.data4[i] = tail[i];
  return g;
}

int guid_calls = 0;
Guid CountingGuid() {
  ++guid_calls;
  return FixedGuid();
}

constexpr wchar_t kFixedGuidText[] = L"0123ABCD456789EFFEDCBA9876543210";
constexpr wchar_t kKeptGuid[] = L"00112233445566778899AABBCCDDEEFF";
constexpr char kKeptGuidBytes[] = "00112233445566778899AABBCCDDEEFF";

TEST(SettingsFile, DefaultsComposeTheSevenLines) {
  Settings s;
  const std::wstring text = ComposeSavedSettings(s, FixedGuid);
  EXPECT_EQ(text, std::wstring(L"dloption=0\nguid=") + kFixedGuidText +
                      L"\nnewver=1.0\nshow_weather=1\nweather_loc_id=RSXX0091\n"
                      L"weather_loc=Saint-Petersburg, Russia\nshow_newver=1");
  // Defaults are filled into the record, except newver which stays empty.
  EXPECT_EQ(s.guid.View(), kFixedGuidText);
  EXPECT_EQ(s.weather_loc_id.View(), L"RSXX0091");
  EXPECT_EQ(s.weather_loc.View(), L"Saint-Petersburg, Russia");
  EXPECT_TRUE(s.newver.Empty());
}

TEST(SettingsFile, ZeroGuidFormatsAsZeros) { EXPECT_EQ(FormatGuid(Guid{}), std::wstring(32, L'0')); }

TEST(SettingsFile, EncodingIsUtf16LeWithoutMarkAndRoundTrips) {
  const std::string bytes = EncodeUtf16Le(L"a=\x0436\n");
  EXPECT_EQ(bytes, std::string("a\0=\0\x36\x04\n\0", 8));
  EXPECT_EQ(DecodeUtf16Le(bytes), L"a=\x0436\n");
  EXPECT_EQ(DecodeUtf16Le(std::string("a\0b\0c", 5)), L"ab");     // odd byte dropped
  EXPECT_EQ(DecodeUtf16Le(std::string("a\0\0\0b\0", 6)), L"a");   // ends at a zero character
}

TEST(SettingsFile, ParsesKeysInAnyCase) {
  Settings s;
  const bool complete = ParseSettingsText(
      L"DLOPTION=3\nGuid=ABC\nNewVer=1.1\nSHOW_weather=0\nweather_LOC_ID=UKXX0085\nWeather_Loc=London, UK\n"
      L"show_NEWVER=0",
      s);
  EXPECT_TRUE(complete);
  EXPECT_EQ(s.dloption, 3);
  EXPECT_EQ(s.gallery_refresh_seconds, 43200);
  EXPECT_EQ(s.guid.View(), L"ABC");
  EXPECT_EQ(s.newver.View(), L"1.1");
  EXPECT_EQ(s.show_weather, 0);
  EXPECT_EQ(s.show_newver, 0);
  EXPECT_EQ(s.weather_loc_id.View(), L"UKXX0085");
  EXPECT_EQ(s.weather_loc.View(), L"London, UK");
}

TEST(SettingsFile, DloptionOutOfRangeFallsBackToRowZero) {
  for (const wchar_t* value : {L"9", L"-1", L"6", L"x"}) {
    Settings s;
    s.gallery_refresh_seconds = 1;
    ParseSettingsText(std::wstring(L"dloption=") + value, s);
    EXPECT_EQ(s.dloption, 0) << testing::PrintToString(std::wstring(value));
    EXPECT_EQ(s.gallery_refresh_seconds, 86400);
  }
  Settings s;
  ParseSettingsText(L"dloption= 5", s);
  EXPECT_EQ(s.gallery_refresh_seconds, 10800);
}

TEST(SettingsFile, CompletenessDecidesTheRewrite) {
  struct Case {
    const wchar_t* text;
    bool complete;
  };
  const Case cases[] = {
      {L"", false},
      {L"guid=\nnewver=1.0\nweather_loc_id=A\nweather_loc=B", true},  // an empty guid line counts as seen
      {L"newver=1.0\nweather_loc_id=A\nweather_loc=B", false},        // no guid line
      {L"guid=X\nweather_loc_id=A\nweather_loc=B", false},            // no newver
      {L"guid=X\nnewver=1.0\nweather_loc_id=A", false},               // weather_loc missing
      {L"guid=X\nnewver=1.0\nweather_loc=B", false},                  // weather_loc_id missing
      {L"guid=X\nnewver=1.0\nweather_loc_id=A\nweather_loc=B\nshow_weather=1", true},  // no dloption needed
  };
  for (const Case& c : cases) {
    Settings s;
    EXPECT_EQ(ParseSettingsText(c.text, s), c.complete) << testing::PrintToString(std::wstring(c.text));
  }
}

TEST(SettingsFile, MissingLocationNameIsRepairedOnSave) {
  Settings s;
  ParseSettingsText(L"guid=X\nnewver=1.0\nweather_loc_id=UKXX0085", s);
  ComposeSavedSettings(s, FixedGuid);
  EXPECT_EQ(s.weather_loc.View(), L"?");

  Settings d;
  ParseSettingsText(L"guid=X\nnewver=1.0\nweather_loc_id=rsxx0091", d);
  ComposeSavedSettings(d, FixedGuid);
  EXPECT_EQ(d.weather_loc.View(), L"Saint-Petersburg, Russia");
}

TEST(SettingsFile, ShortGuidSurvivesLoadButIsReplacedOnSave) {
  Settings s;
  ParseSettingsText(L"guid=ABCDEF", s);
  EXPECT_EQ(s.guid.View(), L"ABCDEF");
  guid_calls = 0;
  ComposeSavedSettings(s, CountingGuid);
  EXPECT_EQ(guid_calls, 1);
  EXPECT_EQ(s.guid.View(), kFixedGuidText);

  // A full-length id is kept for good.
  ComposeSavedSettings(s, CountingGuid);
  EXPECT_EQ(guid_calls, 1);
}

TEST(SettingsFile, ValuesAreCutToTheirFields) {
  Settings s;
  ParseSettingsText(L"weather_loc=" + std::wstring(150, L'L') + L"\nweather_loc_id=" + std::wstring(30, L'I') +
                        L"\nguid=" + std::wstring(50, L'G') + L"\nnewver=123456789012",
                    s);
  EXPECT_EQ(s.weather_loc.View(), std::wstring(99, L'L'));
  EXPECT_EQ(s.weather_loc_id.View(), std::wstring(19, L'I'));
  EXPECT_EQ(s.guid.View(), std::wstring(39, L'G'));
  EXPECT_EQ(s.newver.View(), L"123456789");
}

// Files as people save them by hand: every value the file has is read, only
// what it lacks is filled in, and the lines the saver does not write come back
// after its own, in their order. The saver writes UTF-16LE without a mark.
TEST(SettingsFile, HandEditedFilesKeepEveryValueAndLine) {
  const std::wstring full = std::wstring(L"dloption=3\nguid=") + kKeptGuid +
                            L"\nnewver=1.1\nshow_weather=0\nweather_loc_id=SZXX0033\nweather_loc=Z\u00FCrich\n"
                            L"show_newver=0";
  const std::string utf8_full = std::string("dloption=3\r\nguid=") + kKeptGuidBytes +
                                "\r\nnewver=1.1\r\nshow_weather=0\r\nweather_loc_id=SZXX0033\r\n"
                                "weather_loc=Z\xC3\xBCrich\r\nshow_newver=0\r\n";
  std::string utf16be;
  for (const char c : EncodeUtf16Le(full)) utf16be.insert(utf16be.size() - utf16be.size() % 2, 1, c);
  struct Case {
    const char* what;
    std::string bytes;
    bool complete;
    std::wstring saved;
  };
  const Case cases[] = {
      {"the saver's own format", EncodeUtf16Le(full), true, full},
      {"UTF-16LE with a byte-order mark", "\xFF\xFE" + EncodeUtf16Le(full), true, full},
      {"UTF-16BE with a byte-order mark", "\xFE\xFF" + utf16be, true, full},
      {"UTF-8 with CRLF", utf8_full, true, full},
      {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" + utf8_full, true, full},
      {"Windows-1252 bytes that are not UTF-8",
       std::string("dloption=3\nguid=") + kKeptGuidBytes +
           "\nnewver=1.1\nshow_weather=0\nweather_loc_id=SZXX0033\nweather_loc=Z\xFCrich\nshow_newver=0",
       true, full},
      {"blanks around keys and values, blank lines",
       std::string("\n  dloption = 3\t\n\n guid\t=\t") + kKeptGuidBytes +
           " \r\n\t\r\nnewver= 1.1\nshow_weather =0\nweather_loc_id = SZXX0033\nweather_loc = Z\xC3\xBCrich \n"
           "show_newver=0\n\n",
       true, full},
      {"unknown keys and other lines are kept in their order",
       std::string("# my settings\ndloption=3\ncolour = blue\nguid=") + kKeptGuidBytes +
           "\nnewver=1.1\nshow_weather=0\nweather_loc_id=SZXX0033\nweather_loc=Z\xC3\xBCrich\nshow_newver=0\n"
           "=orphan\nslide_seconds=30\ncolour=red",
       true, full + L"\nslide_seconds=30\n# my settings\ncolour = blue\n=orphan\ncolour=red"},
      {"a partial file keeps its values, its id and its other lines",
       std::string("dloption=3\r\nguid =") + kKeptGuidBytes + "\r\nweather_loc_id= SZXX0033\r\nfoo=bar\r\nshow_weather=0",
       false, full.substr(0, full.find(L"newver")) +
           L"newver=1.0\nshow_weather=0\nweather_loc_id=SZXX0033\nweather_loc=?\nshow_newver=1\nfoo=bar"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Settings s;
    std::vector<std::wstring> kept;
    EXPECT_EQ(ParseSettingsText(DecodeSettingsBytes(c.bytes), s, &kept), c.complete);
    EXPECT_EQ(ComposeSavedSettings(s, FixedGuid, kept), c.saved);
  }
}

TEST(SettingsFile, FlagsAreStoredAsZeroOrOne) {
  Settings s;
  ParseSettingsText(L"show_weather=7\nshow_newver=no", s);
  EXPECT_EQ(s.show_weather, 7);
  EXPECT_EQ(s.show_newver, 0);
  const std::wstring text = ComposeSavedSettings(s, FixedGuid);
  EXPECT_NE(text.find(L"\nshow_weather=1\n"), std::wstring::npos);
  EXPECT_NE(text.find(L"\nshow_newver=0"), std::wstring::npos);
}

TEST(SettingsFile, ServerKeysAreReadAndWrittenOnlyWhenNotDefault) {
  Settings s;
  ParseSettingsText(L"PHOTO_SITE=http://127.0.0.1:8080\nweb_host=" + std::wstring(300, L'w') +
                        L"\nimage_prefix=" + std::wstring(kDefaultImagePrefix),
                    s);
  EXPECT_EQ(s.photo_site.View(), L"http://127.0.0.1:8080");
  EXPECT_EQ(s.web_host.View(), std::wstring(259, L'w'));
  EXPECT_EQ(s.weather_host.View(), kDefaultWeatherHost);

  const std::wstring text = ComposeSavedSettings(s, FixedGuid);
  const std::wstring tail = L"\nshow_newver=1\nphoto_site=http://127.0.0.1:8080\nweb_host=" + std::wstring(259, L'w');
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  EXPECT_EQ(text.find(L"image_prefix"), std::wstring::npos);
  EXPECT_GT(text.size(), 259u);
}

// slide_seconds, monitors and weather_unit: read in any case, kept in range
// (an unknown monitors value is "primary", an unknown unit "m"), written only
// when not the default.
TEST(SettingsFile, OptionalKeysAreKeptInRangeAndWrittenOnlyWhenNotDefault) {
  using enum MonitorMode;
  struct Case {
    const wchar_t* line;
    int32_t seconds;
    MonitorMode monitors;
    const wchar_t* tail;  // how the saved text ends
    wchar_t unit = L'm';
  };
  const Case cases[] = {
      {L"", 10, Primary, L"\nshow_newver=1"},
      {L"slide_seconds=10", 10, Primary, L"\nshow_newver=1"},
      {L"SLIDE_SECONDS=3", 3, Primary, L"\nshow_newver=1\nslide_seconds=3"},
      {L"slide_seconds= +3600", 3600, Primary, L"\nshow_newver=1\nslide_seconds=3600"},
      {L"slide_seconds=45s", 45, Primary, L"\nshow_newver=1\nslide_seconds=45"},
      {L"slide_seconds=2", 3, Primary, L"\nshow_newver=1\nslide_seconds=3"},
      {L"slide_seconds=-20", 3, Primary, L"\nshow_newver=1\nslide_seconds=3"},
      {L"slide_seconds=3601", 3600, Primary, L"\nshow_newver=1\nslide_seconds=3600"},
      {L"slide_seconds=99999999999", 3600, Primary, L"\nshow_newver=1\nslide_seconds=3600"},
      {L"slide_seconds=", 10, Primary, L"\nshow_newver=1"},
      {L"slide_seconds=ten", 10, Primary, L"\nshow_newver=1"},
      {L"slide_seconds=- 5", 10, Primary, L"\nshow_newver=1"},
      {L"monitors=black", 10, Black, L"\nshow_newver=1\nmonitors=black"},
      {L"MONITORS=All\nslide_seconds=5", 5, All, L"\nshow_newver=1\nslide_seconds=5\nmonitors=all"},
      {L"monitors=primary", 10, Primary, L"\nshow_newver=1"},
      {L"monitors=every", 10, Primary, L"\nshow_newver=1"},
      {L"monitors=all \nmonitors=black", 10, Black, L"\nshow_newver=1\nmonitors=black"},
      {L"monitors=all\nmonitors=", 10, Primary, L"\nshow_newver=1"},
      {L"weather_unit=S\nmonitors=black", 10, Black, L"\nshow_newver=1\nmonitors=black\nweather_unit=s", L's'},
      {L"weather_unit=m", 10, Primary, L"\nshow_newver=1"},
      {L"weather_unit=f", 10, Primary, L"\nshow_newver=1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.line)));
    Settings s;
    ParseSettingsText(c.line, s);
    EXPECT_EQ(s.slide_seconds, c.seconds);
    EXPECT_EQ(s.monitors, c.monitors);
    EXPECT_EQ(s.weather_unit, c.unit);
    const std::wstring text = ComposeSavedSettings(s, FixedGuid);
    const std::wstring tail = c.tail;
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  }
}

TEST(SettingsFile, NoValueCanAddRemoveOrChangeALine) {
  struct Case {
    const char* what;
    void (*change)(Settings&);
    std::wstring line;  // what the changed value's line reads
    std::size_t lines;
  };
  const Case cases[] = {
      {"update answer with a line break and a key", [](Settings& s) { s.newver.Assign(L"1\nguid=AB"); },
       L"newver=1guid=AB", 7},
      {"update answer of one line break", [](Settings& s) { s.newver.Assign(L"\n"); }, L"newver=", 7},
      {"carriage return left by a hand edit", [](Settings& s) { s.newver.Assign(L"1.2\r"); }, L"newver=1.2", 7},
      {"location name from the search service",
       [](Settings& s) { s.weather_loc.Assign(L"Town\nshow_weather=1"); }, L"weather_loc=Townshow_weather=1", 7},
      {"every character below U+0020",
       [](Settings& s) {
         std::wstring value = L"a";
         for (wchar_t c = 1; c < 0x20; ++c) value += c;
         s.weather_loc.Assign(value + L"b");
       },
       L"weather_loc=ab", 7},
      {"location id", [](Settings& s) { s.weather_loc_id.Assign(L"UK\tXX0085"); }, L"weather_loc_id=UKXX0085", 7},
      {"server key", [](Settings& s) { s.photo_site.Assign(L"http://h\r\nguid=AB"); }, L"photo_site=http://hguid=AB",
       8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Settings s;
    ParseSettingsText(std::wstring(L"dloption=2\nguid=") + kFixedGuidText +
                          L"\nnewver=1.1\nshow_weather=0\nweather_loc_id=UKXX0085\nweather_loc=London\nshow_newver=0",
                      s);
    c.change(s);
    const std::wstring text = ComposeSavedSettings(s, FixedGuid);
    std::vector<std::wstring> lines;
    for (std::size_t start = 0;;) {
      const std::size_t end = text.find(L'\n', start);
      lines.emplace_back(text.substr(start, end - start));
      if (end == std::wstring::npos) break;
      start = end + 1;
    }
    EXPECT_EQ(lines.size(), c.lines);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), c.line), 1) << testing::PrintToString(text);

    Settings loaded;
    ParseSettingsText(text, loaded);
    EXPECT_EQ(loaded.guid.View(), kFixedGuidText);
    EXPECT_EQ(loaded.dloption, 2);
    EXPECT_EQ(loaded.show_weather, 0);
    EXPECT_EQ(loaded.show_newver, 0);
  }
}

TEST(SettingsFile, SavesChangeOnlyTheirOwnFieldsOfTheFileOnDisk) {
  constexpr wchar_t kStoredGuid[] = L"AAAABBBBCCCCDDDDEEEEFFFF00001111";
  constexpr wchar_t kMineGuid[] = L"22223333444455556666777788889999";
  const std::wstring on_disk = std::wstring(L"dloption=4\nguid=") + kStoredGuid +
                               L"\nnewver=1.2\nshow_weather=0\nweather_loc_id=UKXX0085\nweather_loc=London\n"
                               L"show_newver=0\nslide_seconds=30\nphoto_site=http://photos.test\nfoo=bar\nmonitors=all\ncolour = blue";
  struct Case {
    const char* what;
    std::wstring on_disk;
    const wchar_t* mine_guid;
    SettingsOwner owner;
    std::wstring expected;
  };
  const Case cases[] = {
      {"the version check stores newver only", on_disk, kMineGuid, SettingsOwner::VersionCheck,
       std::wstring(L"dloption=4\nguid=") + kStoredGuid +
           L"\nnewver=1.3\nshow_weather=0\nweather_loc_id=UKXX0085\nweather_loc=London\nshow_newver=0\n"
           L"slide_seconds=30\nmonitors=all\nphoto_site=http://photos.test\nfoo=bar\ncolour = blue"},
      {"OK stores the dialog's fields only", on_disk, kMineGuid, SettingsOwner::SetupDialog,
       std::wstring(L"dloption=2\nguid=") + kStoredGuid +
           L"\nnewver=1.2\nshow_weather=1\nweather_loc_id=FRXX0076\nweather_loc=Paris, France\nshow_newver=1\n"
           L"slide_seconds=30\nmonitors=all\nphoto_site=http://photos.test\nfoo=bar\ncolour = blue"},
      {"the second page stores its three keys only", on_disk, kMineGuid, SettingsOwner::MoreSettings,
       std::wstring(L"dloption=4\nguid=") + kStoredGuid +
           L"\nnewver=1.2\nshow_weather=0\nweather_loc_id=UKXX0085\nweather_loc=London\nshow_newver=0\n"
           L"slide_seconds=45\nmonitors=black\nweather_unit=s\nphoto_site=http://photos.test\nfoo=bar\ncolour = blue"},
      {"no file: defaults around the caller's fields and id", L"", kMineGuid, SettingsOwner::VersionCheck,
       std::wstring(L"dloption=0\nguid=") + kMineGuid +
           L"\nnewver=1.3\nshow_weather=1\nweather_loc_id=RSXX0091\nweather_loc=Saint-Petersburg, Russia\n"
           L"show_newver=1"},
      {"a short id on both sides: a new one", L"guid=AB\nnewver=1.2", L"CD", SettingsOwner::SetupDialog,
       std::wstring(L"dloption=2\nguid=") + kFixedGuidText +
           L"\nnewver=1.2\nshow_weather=1\nweather_loc_id=FRXX0076\nweather_loc=Paris, France\nshow_newver=1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Settings mine;
    ParseSettingsText(std::wstring(L"dloption=2\nguid=") + c.mine_guid +
                          L"\nnewver=1.3\nshow_weather=1\nweather_loc_id=FRXX0076\nweather_loc=Paris, France\n"
                          L"show_newver=1\nslide_seconds=45\nmonitors=black\nweather_unit=s",
                      mine);
    const std::wstring text = MergeSettingsText(c.on_disk, mine, c.owner, FixedGuid);
    EXPECT_EQ(text, c.expected);
    // The caller goes on with the id the file now holds.
    EXPECT_NE(text.find(std::wstring(L"\nguid=") + mine.guid.c_str() + L"\n"), std::wstring::npos);
  }
}

TEST(GalleryTable, SixRowsThenTerminator) {
  int rows = 0;
  for (const GalleryInfo* row = kGalleryTable; row->title != nullptr; ++row) ++rows;
  EXPECT_EQ(rows, 6);
  EXPECT_EQ(kGalleryTable[0].refresh_seconds, 86400);
  EXPECT_EQ(kGalleryTable[3].refresh_seconds, 43200);
  EXPECT_EQ(kGalleryTable[4].refresh_seconds, 21600);
  EXPECT_EQ(kGalleryTable[5].refresh_seconds, 10800);
  EXPECT_EQ(GalleryListingAddress(5, L"http://h"),
            L"http://h/showphotos.php?offset=0&where=|||||||90|1|||24||||||||||||90||||||||||1||||&newdisplay=10");
}

}  // namespace
