#include "net/version_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/settings.h"

namespace {

TEST(VersionCheck, AnswerParsing) {
  struct Case {
    std::string answer;
    std::optional<std::wstring> version;
  };
  const Case cases[] = {
      {"<xml><appver>1.2</appver></xml>", L"1.2"},
      {"<appver>1.0</appver>", L"1.0"},
      {"<AppVer>1.1</APPVER>", L"1.1"},
      {"<appver>0.9</appver>", L"0.9"},
      {"<appver>1.2345678901</appver>", L"1.2345678"},
      {"<appver>123456789</appver>", L"123456789"},
      // Control characters would end up in settings.cfg, and blanks around it
      // would not be read back from there: both are dropped, then nine are kept.
      {"<appver> 1.1 </appver>", L"1.1"},
      {"<appver>  1.2345678 9</appver>", L"1.2345678"},
      {"<appver>\n1.1\n</appver>", L"1.1"},
      {"<appver> 1.1\r\n</appver>", L"1.1"},
      {"<appver>1\nguid=AB</appver>", L"1guid=AB"},
      {"<appver>\n</appver>", L""},
      {"<appver>1.2\t</appver>", L"1.2"},
      {"<appver>\r\n\t\x01\x1f" "1.23456789</appver>", L"1.2345678"},
      {"<appver>123456789\x1f" "0</appver>", L"123456789"},
      {"<appver></appver>", L""},
      {"<appver>1.3</appver><appver>1.4</appver>", L"1.3"},
      {"<appver>\xE9</appver>", L"\u00E9"},
      {"</appver><appver>1.5</appver>", std::nullopt},
      {"<appver>1.5", std::nullopt},
      {"1.5</appver>", std::nullopt},
      {"<version>1.5</version>", std::nullopt},
      {"", std::nullopt},
      {std::string("\0<appver>1.6</appver>", 21), std::nullopt},
      {std::string("<appver>1.6\0</appver>", 21), std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.answer));
    EXPECT_EQ(ReadAnswerVersion(c.answer), c.version);
  }
}

TEST(VersionCheck, QueryAndWindowsVersionText) {
  EXPECT_EQ(FormatWindowsVersion(WindowsVersion{6, 1, 1, 0}), L"6.1.1.0");
  EXPECT_EQ(FormatWindowsVersion(std::nullopt), L"Unknown");
  EXPECT_EQ(FormatWindowsVersion(WindowsVersion{4000000000u, 4000000000u, 1, 2}).size(), 19u);
  EXPECT_EQ(FormatVersionQuery(L"http://up.test", L"0123ABCD", L"10.0.0.0"),
            L"http://up.test/screensavers/update.php?app=velmora&ver=1.0&uid=0123ABCD&os=win&osver=10.0.0.0");
  EXPECT_EQ(FormatVersionQuery(std::wstring(300, L'h'), L"g", L"1").size(), 259u);
}

struct FakeVersionPlatform : VersionPlatform {
  std::optional<WindowsVersion> windows;
  bool fetch_ok = true;
  std::string answer;
  std::vector<std::wstring> queries;
  int saves = 0;
  int removals = 0;

  std::optional<WindowsVersion> QueryWindowsVersion() override { return windows; }
  bool FetchAnswer(const std::wstring& address, std::string& out) override {
    queries.push_back(address);
    if (fetch_ok) out = answer;
    return fetch_ok;
  }
  void SaveNewver() override { ++saves; }
  void RemoveAnswerFile() override { ++removals; }
};

TEST(VersionCheck, CheckStoresSavesAndAlwaysRemovesTheAnswer) {
  struct Case {
    const char* what;
    bool fetch_ok;
    std::string answer;
    std::wstring newver_after;
    int saves;
    bool notice;
    int32_t check_version = 1;
  };
  const Case cases[] = {
      {"newer version", true, "<appver>1.2</appver>", L"1.2", 1, true},
      {"own version", true, "<appver>1.0</appver>", L"1.0", 1, false},
      {"older version", true, "<appver>0.9</appver>", L"0.9", 1, true},
      {"empty element", true, "<appver></appver>", L"", 1, false},
      {"no tags", true, "<html>busy</html>", L"1.7", 0, true},
      {"line breaks around the version", true, "<appver>\n1.1\n</appver>", L"1.1", 1, true},
      {"fetch fails", false, "<appver>1.2</appver>", L"1.7", 0, true},
      {"switched off by policy", true, "<appver>1.2</appver>", L"1.7", 0, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    settings = Settings();
    settings.update_host.Assign(L"http://up.test");
    settings.guid.Assign(L"GUID");
    settings.newver.Assign(L"1.7");
    FakeVersionPlatform p;
    p.windows = WindowsVersion{6, 1, 1, 0};
    p.fetch_ok = c.fetch_ok;
    p.answer = c.answer;
    settings.check_version = c.check_version;
    RunVersionCheck(p);
    const bool asked = c.check_version != 0;
    EXPECT_EQ(p.queries, asked ? std::vector<std::wstring>{L"http://up.test/screensavers/update.php?app=velmora&ver=1.0"
                                                           L"&uid=GUID&os=win&osver=6.1.1.0"}
                               : std::vector<std::wstring>{});
    EXPECT_EQ(CurrentNewver().View(), c.newver_after);
    EXPECT_EQ(p.saves, c.saves);
    EXPECT_EQ(p.removals, asked ? 1 : 0);
    EXPECT_EQ(NoticeWanted(settings), c.notice);
  }
}

}  // namespace
