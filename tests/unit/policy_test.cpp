#include "settings/policy.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "settings/settings_file.h"

namespace {

// Registry values: "M:" machine, "U:" user; "#" before a number makes it a
// REG_DWORD, anything else is a REG_SZ.
PolicyReader ReaderOf(const std::map<std::wstring, std::wstring>& values) {
  auto find = [&values](PolicyHive hive, const wchar_t* name, bool number) -> std::optional<std::wstring> {
    const auto found = values.find((hive == PolicyHive::Machine ? L"M:" : L"U:") + std::wstring(name));
    if (found == values.end() || found->second.starts_with(L'#') != number) return std::nullopt;
    return number ? found->second.substr(1) : found->second;
  };
  return {[find](PolicyHive h, const wchar_t* n) -> std::optional<uint32_t> {
            const auto v = find(h, n, true);
            return v ? std::optional<uint32_t>(std::stoul(*v)) : std::nullopt;
          },
          [find](PolicyHive h, const wchar_t* n) { return find(h, n, false); }};
}

std::string LockNames(const PolicyLocks& l) {
  std::string names;
  for (const auto& [locked, name] : {std::pair{l.dloption, "dloption "}, {l.show_weather, "show_weather "},
                                     {l.location, "location "}, {l.show_newver, "show_newver "},
                                     {l.slide_seconds, "slide_seconds "}, {l.monitors, "monitors "},
                                     {l.weather_unit, "weather_unit "}, {l.check_version, "check_version "}}) {
    if (locked) names += name;
  }
  return names;
}

// The machine's value wins over the user's, either over the file, read by the
// file's rules; a value of the other type or an empty text is no policy. The
// second text is what a save of the setup dialog and of the More page leaves
// in the file: never a policy value.
TEST(Policy, MachineThenUserThenFileAndNeverStored) {
  const std::wstring file = L"dloption=1\nguid=00112233445566778899AABBCCDDEEFF\nnewver=1.0\nshow_weather=1\n"
                            L"weather_loc_id=UKXX0085\nweather_loc=London\nshow_newver=1\nslide_seconds=20";
  struct Case {
    std::map<std::wstring, std::wstring> registry;
    std::wstring record_tail;  // the record composed, after show_weather=
    std::string locks;
    int32_t check_version;
  };
  const Case cases[] = {
      {{{L"M:dloption", L"#4"}, {L"U:dloption", L"#2"}, {L"U:show_weather", L"#0"}, {L"M:show_newver", L"#7"},
        {L"U:check_version", L"#0"}, {L"M:slide_seconds", L"#99999"}},
       L"0\nweather_loc_id=UKXX0085\nweather_loc=London\nshow_newver=1\nslide_seconds=3600",
       "dloption show_weather show_newver slide_seconds check_version ", 0},
      {{{L"U:weather_loc_id", L"FRXX0076"}, {L"U:weather_loc", L"Paris"}, {L"M:monitors", L"ALL"},
        {L"U:monitors", L"black"}, {L"M:weather_unit", L""}, {L"U:weather_unit", L"s"}},
       L"1\nweather_loc_id=FRXX0076\nweather_loc=Paris\nshow_newver=1\nslide_seconds=20\nmonitors=all\nweather_unit=s",
       "location monitors weather_unit ", 1},
      {{{L"M:dloption", L"#9"}, {L"M:weather_loc_id", L"SZXX0033"}, {L"M:monitors", L"every"},
        {L"U:weather_unit", L"F"}},
       L"1\nweather_loc_id=SZXX0033\nweather_loc=?\nshow_newver=1\nslide_seconds=20",
       "dloption location monitors weather_unit ", 1},
      {{{L"M:weather_loc", L"Paris"}, {L"M:dloption", L"3"}, {L"U:show_newver", L"1"}},
       L"1\nweather_loc_id=UKXX0085\nweather_loc=London\nshow_newver=1\nslide_seconds=20", "", 1},  // nothing applies
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locks);
    Settings s;
    ParseSettingsText(file, s);
    const PolicyLocks locks = ApplyPolicies(s, ReaderOf(c.registry));
    const std::wstring record = ComposeSavedSettings(s, nullptr);
    EXPECT_EQ(record.substr(record.find(L"show_weather=") + 13), c.record_tail);
    EXPECT_EQ(LockNames(locks), c.locks);
    EXPECT_EQ(s.check_version, c.check_version);
    std::wstring saved = MergeSettingsText(file, s, SettingsOwner::SetupDialog, nullptr, locks);
    saved = MergeSettingsText(saved, s, SettingsOwner::MoreSettings, nullptr, locks);
    EXPECT_EQ(saved, file);
  }
}

}  // namespace
