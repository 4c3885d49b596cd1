#include "settings/policy.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "settings/settings_file.h"

namespace {

// Registry values by hive and name: numbers are REG_DWORD, texts REG_SZ.
struct FakeRegistry {
  std::map<std::pair<PolicyHive, std::wstring>, uint32_t> numbers;
  std::map<std::pair<PolicyHive, std::wstring>, std::wstring> texts;

  PolicyReader Reader() const {
    return {[this](PolicyHive hive, const wchar_t* name) -> std::optional<uint32_t> {
              const auto found = numbers.find({hive, name});
              if (found == numbers.end()) return std::nullopt;
              return found->second;
            },
            [this](PolicyHive hive, const wchar_t* name) -> std::optional<std::wstring> {
              const auto found = texts.find({hive, name});
              if (found == texts.end()) return std::nullopt;
              return found->second;
            }};
  }
};

constexpr PolicyHive kMachine = PolicyHive::Machine;
constexpr PolicyHive kUser = PolicyHive::User;

// The machine's value wins over the user's, either over the file; a value of
// the wrong type or an empty text is no policy.
TEST(Policy, MachineThenUserThenFile) {
  const std::wstring file =
      L"dloption=1\nguid=00112233445566778899AABBCCDDEEFF\nnewver=1.0\nshow_weather=1\nweather_loc_id=UKXX0085\n"
      L"weather_loc=London\nshow_newver=1\nslide_seconds=20\nmonitors=black";
  struct Case {
    const char* what;
    FakeRegistry registry;
    std::wstring expected;  // the record as it would be composed
    PolicyLocks locks;
    int32_t check_version;
  };
  const std::wstring base = L"dloption=1\nguid=00112233445566778899AABBCCDDEEFF\nnewver=1.0\nshow_weather=1\n"
                            L"weather_loc_id=UKXX0085\nweather_loc=London\nshow_newver=1\nslide_seconds=20\n"
                            L"monitors=black";
  const Case cases[] = {
      {"no policy", {}, base, {}, 1},
      {"numbers from both hives",
       {{{{kMachine, L"dloption"}, 4},
         {{kUser, L"dloption"}, 2},
         {{kUser, L"show_weather"}, 0},
         {{kMachine, L"show_newver"}, 7},
         {{kUser, L"check_version"}, 0},
         {{kMachine, L"slide_seconds"}, 99999}},
        {}},
       L"dloption=4\nguid=00112233445566778899AABBCCDDEEFF\nnewver=1.0\nshow_weather=0\nweather_loc_id=UKXX0085\n"
       L"weather_loc=London\nshow_newver=1\nslide_seconds=3600\nmonitors=black",
       {.dloption = true, .show_weather = true, .show_newver = true, .slide_seconds = true, .check_version = true},
       0},
      {"texts from both hives",
       {{},
        {{{kUser, L"weather_loc_id"}, L"FRXX0076"},
         {{kUser, L"weather_loc"}, L"Paris, France"},
         {{kMachine, L"monitors"}, L"ALL"},
         {{kUser, L"monitors"}, L"primary"},
         {{kMachine, L"weather_unit"}, L""},
         {{kUser, L"weather_unit"}, L"s"}}},
       L"dloption=1\nguid=00112233445566778899AABBCCDDEEFF\nnewver=1.0\nshow_weather=1\nweather_loc_id=FRXX0076\n"
       L"weather_loc=Paris, France\nshow_newver=1\nslide_seconds=20\nmonitors=all\nweather_unit=s",
       {.location = true, .monitors = true, .weather_unit = true},
       1},
      {"a location id without a name, out-of-range row, unknown texts",
       {{{{kMachine, L"dloption"}, 9}},
        {{{kMachine, L"weather_loc_id"}, L"SZXX0033"},
         {{kMachine, L"monitors"}, L"every"},
         {{kUser, L"weather_unit"}, L"F"}}},
       L"dloption=0\nguid=00112233445566778899AABBCCDDEEFF\nnewver=1.0\nshow_weather=1\nweather_loc_id=SZXX0033\n"
       L"weather_loc=?\nshow_newver=1\nslide_seconds=20",
       {.dloption = true, .location = true, .monitors = true, .weather_unit = true},
       1},
      {"a name without an id and numbers as texts are no policy",
       {{}, {{{kMachine, L"weather_loc"}, L"Paris"}, {{kMachine, L"dloption"}, L"3"}}},
       base,
       {},
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Settings s;
    ParseSettingsText(file, s);
    const PolicyLocks locks = ApplyPolicies(s, c.registry.Reader());
    EXPECT_EQ(ComposeSavedSettings(s, nullptr), c.expected);
    EXPECT_EQ(s.check_version, c.check_version);
    EXPECT_EQ(std::memcmp(&locks, &c.locks, sizeof locks), 0);
  }
}

// Saves keep the file's value of every setting a policy sets.
TEST(Policy, PolicyValuesAreNeverStored) {
  const std::wstring on_disk = L"dloption=1\nguid=00112233445566778899AABBCCDDEEFF\nnewver=1.0\nshow_weather=1\n"
                               L"weather_loc_id=UKXX0085\nweather_loc=London\nshow_newver=1\nslide_seconds=20";
  Settings mine;
  ParseSettingsText(on_disk, mine);
  FakeRegistry registry;
  registry.numbers[{kMachine, L"dloption"}] = 5;
  registry.numbers[{kMachine, L"slide_seconds"}] = 30;
  registry.texts[{kUser, L"weather_loc_id"}] = L"FRXX0076";
  const PolicyLocks locks = ApplyPolicies(mine, registry.Reader());
  mine.show_newver = 0;
  mine.weather_unit = L's';
  EXPECT_EQ(MergeSettingsText(on_disk, mine, SettingsOwner::SetupDialog, nullptr, locks),
            L"dloption=1\nguid=00112233445566778899AABBCCDDEEFF\nnewver=1.0\nshow_weather=1\n"
            L"weather_loc_id=UKXX0085\nweather_loc=London\nshow_newver=0\nslide_seconds=20");
  EXPECT_EQ(MergeSettingsText(on_disk, mine, SettingsOwner::MoreSettings, nullptr, locks),
            on_disk + L"\nweather_unit=s");
}

}  // namespace
