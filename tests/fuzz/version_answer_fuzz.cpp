// The update service's answer: what ReadAnswerVersion takes from it, and what
// a whole version check stores in settings.cfg over a file that changed since
// the process loaded it. Input: one byte whose lowest bit says whether the
// fetch succeeds, then the answer.
#include "fuzz_support.h"
#include "net/version_check.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

namespace {

constexpr wchar_t kGuid[] = L"0123ABCD456789EFFEDCBA9876543210";
// What another saver stored after this process loaded its settings.
constexpr wchar_t kOnDisk[] =
    L"dloption=3\nguid=0123ABCD456789EFFEDCBA9876543210\nnewver=1.5\nshow_weather=0\nweather_loc_id=UKXX0085\n"
    L"weather_loc=London\nshow_newver=1";

struct FakePlatform : VersionPlatform {
  bool fetch_ok = true;
  std::string_view answer;
  int fetches = 0, saves = 0, removals = 0;

  std::optional<WindowsVersion> QueryWindowsVersion() override { return WindowsVersion{10, 0, 0, 0}; }
  bool FetchAnswer(const std::wstring& address, std::string& out) override {
    ++fetches;
    FUZZ_CHECK(address.size() <= 259);
    if (fetch_ok) out = answer;
    return fetch_ok;
  }
  // The file after the save must load back with the stored choices intact and
  // the new version in place.
  void SaveNewver() override {
    ++saves;
    const std::wstring text = MergeSettingsText(kOnDisk, settings, SettingsOwner::VersionCheck, [] { return Guid{}; });
    Settings loaded;
    FUZZ_CHECK(ParseSettingsText(text, loaded));
    FUZZ_CHECK(loaded.guid.View() == kGuid);
    FUZZ_CHECK(loaded.show_weather == 0 && loaded.show_newver == 1 && loaded.dloption == 3);
    FUZZ_CHECK(loaded.weather_loc_id.View() == L"UKXX0085" && loaded.weather_loc.View() == L"London");
    FUZZ_CHECK(loaded.newver.View() == (settings.newver.Empty() ? L"1.0" : settings.newver.View()));
  }
  void RemoveAnswerFile() override { ++removals; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::string_view answer = FuzzBytes(data + 1, size - 1);

  const std::optional<std::wstring> version = ReadAnswerVersion(answer);
  if (version) {
    FUZZ_CHECK(version->size() <= 9);
    FUZZ_CHECK(!HasCharBelowSpace(*version));
    for (const wchar_t c : *version) FUZZ_CHECK(static_cast<uint32_t>(c) <= 0xFF);
  }

  // This process's own record, loaded before the file changed.
  settings = Settings();
  settings.guid.Assign(kGuid);
  settings.newver.Assign(L"1.7");
  settings.weather_loc_id.Assign(L"FRXX0076");
  settings.weather_loc.Assign(L"Paris");
  FakePlatform platform;
  platform.fetch_ok = data[0] & 1;
  platform.answer = answer;
  RunVersionCheck(platform);
  FUZZ_CHECK(platform.fetches == 1 && platform.removals == 1);
  FUZZ_CHECK(platform.saves == (platform.fetch_ok && version ? 1 : 0));
  const std::wstring_view expected = platform.fetch_ok && version ? std::wstring_view(*version) : L"1.7";
  FUZZ_CHECK(CurrentNewver().View() == expected);
  return 0;
}
