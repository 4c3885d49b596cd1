#include "weather/location_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::wstring kDash = L" \u2014 ";

TEST(LocationSearch, AnswerEntriesBecomeResultLines) {
  const std::string long_name(120, 'n');
  struct Case {
    const char* what;
    std::string answer;
    int added;
    std::vector<std::wstring> list;  // what the caller's list holds afterwards
  };
  const Case cases[] = {
      {"three entries in document order",
       "<search ver=\"3.0\"><loc id=\"USNY0996\" type=\"1\">New York, NY</loc>\n"
       "<loc id=\"USNY0998\" type=\"1\">New York Mills, NY</loc><loc id=\"UKXX0085\">York, United Kingdom</loc>"
       "</search>",
       3,
       {L"New York, NY" + kDash + L"USNY0996", L"New York Mills, NY" + kDash + L"USNY0998",
        L"York, United Kingdom" + kDash + L"UKXX0085"}},
      {"an id longer than weather_loc_id keeps is not offered",
       "<loc id=\"ABCDEFGHIJKLMNOPQRST\">Far</loc><loc id=\"N1\">Near</loc>", 1, {L"Near" + kDash + L"N1"}},
      {"an empty id or name is not offered", "<loc id=\"\">Nowhere</loc><loc id=\"E1\"></loc>", 0,
       {kSearchingText}},
      {"a name of 120 characters is cut to 100", "<loc id=\"L1\">" + long_name + "</loc>", 1,
       {std::wstring(100, L'n') + kDash + L"L1"}},
      {"a name without </loc> is no entry", "<loc id=\"A1\">Alpha</loc><loc id=\"B2\">Beta", 1,
       {L"Alpha" + kDash + L"A1"}},
      {"a marker without a closing quote is no entry", "<loc id=\"A1\">Alpha</loc><loc id=\"B2>Beta</loc>", 1,
       {L"Alpha" + kDash + L"A1"}},
      {"no entries leave the list as it was", "<search ver=\"3.0\"></search>", 0, {kSearchingText}},
      {"no \">\" after the id ends the reading", "<loc id=\"A1\"", 0, {kSearchingText}},
      {"control characters in a name become blanks", "<loc id=\"C1\">Tab\there\r\nand\x7f\x85</loc>", 1,
       {L"Tab here  and  " + kDash + L"C1"}},
      {"bytes become the characters of the same code", "<loc id=\"CH1\">Z\xfcrich</loc>", 1,
       {L"Z\u00fcrich" + kDash + L"CH1"}},
      {"tags in any letter case", "<LOC ID=\"U1\">Upper</LOC>", 1, {L"Upper" + kDash + L"U1"}},
      {"the answer ends at its first zero byte",
       std::string("<loc id=\"A1\">Alpha</loc>") + '\0' + "<loc id=\"B2\">Beta</loc>", 1,
       {L"Alpha" + kDash + L"A1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::wstring> list = {kSearchingText};
    EXPECT_EQ(ParseLocationList(c.answer, list), c.added);
    EXPECT_EQ(list, c.list);
  }
}

TEST(LocationSearch, ResultLineCutsTheNameNeverTheId) {
  struct Case {
    std::size_t name_bytes, id_bytes, name_kept;
  };
  const Case cases[] = {
      {96, 19, 96},   // 118 characters: whole
      {100, 19, 97},  // the name gives way to the id
      {100, 16, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.name_bytes << " + " << c.id_bytes);
    const std::string id = std::string("ABCDEFGHIJKLMNOPQRS").substr(0, c.id_bytes);
    const std::string answer = "<loc id=\"" + id + "\">" + std::string(c.name_bytes, 'n') + "</loc>";
    std::vector<std::wstring> list;
    ASSERT_EQ(ParseLocationList(answer, list), 1);
    const std::wstring wide_id(id.begin(), id.end());
    EXPECT_EQ(list[0], std::wstring(c.name_kept, L'n') + kDash + wide_id);
    EXPECT_LE(list[0].size(), kResultLineChars);
    EXPECT_EQ(SplitResultLine(list[0])->id.View(), wide_id);
  }
}

TEST(LocationSearch, SearchTextIsTrimmedAndPercentEncodedAsUtf8) {
  struct Case {
    std::wstring typed;
    std::wstring sent;
  };
  const Case cases[] = {
      {L"  New York", L"New%20York"},
      {L"Z\u00fcrich", L"Z%C3%BCrich"},
      {L"Saint-Petersburg", L"Saint-Petersburg"},
      {L"a&b#c%d+e?f=g", L"a%26b%23c%25d%2Be%3Ff%3Dg"},
      {L"\t\r\n 10001 ", L"10001%20"},
      {L"x\x7fy", L"x%7Fy"},
      {L"\u6771\u4eac", L"%E6%9D%B1%E4%BA%AC"},
      {std::wstring{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE82)}, L"%F0%9F%9A%82"},
      {std::wstring{static_cast<wchar_t>(0xD83D), L'!'}, L"%EF%BF%BD%21"},
      {L"   ", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.sent));
    EXPECT_EQ(EncodeSearchText(TrimSearchText(c.typed)), c.sent);
    EXPECT_EQ(FormatSearchAddress(L"http://127.0.0.1:8080", TrimSearchText(c.typed)),
              L"http://127.0.0.1:8080/search/search?where=" + c.sent);
  }
}

TEST(LocationSearch, LongAddressesLoseWholeCharacters) {
  // 232 + 21 characters leave room for one escaped U+00FC (6) but not two.
  const std::wstring host = L"http://" + std::wstring(225, L'h');
  const std::wstring address = FormatSearchAddress(host, L"\u00fc\u00fc");
  EXPECT_EQ(address, host + L"/search/search?where=%C3%BC");
  EXPECT_EQ(FormatSearchAddress(host, std::wstring(98, L'a')).size(), kSearchAddressChars);
  EXPECT_EQ(FormatSearchAddress(std::wstring(250, L'h'), L"Paris"), L"");
}

TEST(LocationSearch, ChosenLineIsTakenApartAtTheDash) {
  const std::wstring name99(99, L'n'), id19(19, L'i');
  struct Case {
    std::wstring line;
    bool chosen;
    std::wstring name, id;
  };
  const Case cases[] = {
      {L"New York, NY" + kDash + L"USNY0996", true, L"New York, NY", L"USNY0996"},
      {L"Saint-Petersburg, Russia" + kDash + L"RSXX0091", true, L"Saint-Petersburg, Russia", L"RSXX0091"},
      {std::wstring(100, L'n') + kDash + std::wstring(16, L'i'), true, name99, std::wstring(16, L'i')},
      {L"Far" + kDash + std::wstring(20, L'i'), true, L"Far", id19},
      {L"A \u2014 B \u2014 C", true, L"A", L"B \u2014 C"},
      {kSearchingText, false, L"", L""},
      {kNotFoundText, false, L"", L""},
      {kConnectionFailedText, false, L"", L""},
      {L"", false, L"", L""},
      {L"Nameless" + kDash, false, L"", L""},
      {kDash + L"ID1", false, L"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.line));
    const std::optional<ChosenLocation> got = SplitResultLine(c.line);
    ASSERT_EQ(got.has_value(), c.chosen);
    if (!got) continue;
    EXPECT_EQ(got->name.View(), c.name);
    EXPECT_EQ(got->id.View(), c.id);
  }
}

TEST(LocationSearch, OutcomeShowsResultsOrOneStatusLine) {
  const struct {
    bool downloaded;
    std::string answer;
    std::vector<std::wstring> lines;
    bool found;
  } cases[] = {
      {false, "", {kConnectionFailedText}, false},
      {true, "<search></search>", {kNotFoundText}, false},
      {true, "<loc id=\"A1\">Alpha</loc>", {L"Alpha" + kDash + L"A1"}, true},
  };
  for (const auto& c : cases) {
    const SearchOutcome outcome = MakeSearchOutcome(c.downloaded, c.answer);
    EXPECT_EQ(outcome.lines, c.lines);
    EXPECT_EQ(outcome.found, c.found);
  }
}

}  // namespace
