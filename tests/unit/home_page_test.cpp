#include "settings/home_page.h"

#include <gtest/gtest.h>

namespace {

TEST(HomePage, AddressOpenedAndAddressShown) {
  const struct {
    const wchar_t* web_host;
    const wchar_t* address;
    const wchar_t* shown;
  } cases[] = {
      // A bare host, as every settings file stored it: "http://" is added.
      {L"www.velmora.example", L"http://www.velmora.example/screensavers", L"www.velmora.example/screensavers"},
      {L"127.0.0.1:8080", L"http://127.0.0.1:8080/screensavers", L"127.0.0.1:8080/screensavers"},
      {L"localhost:8080/x://y", L"http://localhost:8080/x://y/screensavers", L"localhost:8080/x://y/screensavers"},
      // A host with its scheme is used as it stands; the shown address leaves the scheme out.
      {L"https://www.velmora.example", L"https://www.velmora.example/screensavers",
       L"www.velmora.example/screensavers"},
      {L"HTTP://h.example", L"HTTP://h.example/screensavers", L"h.example/screensavers"},
      {L"svn+ssh.x-1://h", L"svn+ssh.x-1://h/screensavers", L"h/screensavers"},
      {L"://h", L"http://://h/screensavers", L"://h/screensavers"},
      {L"", L"http:///screensavers", L"/screensavers"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.web_host)));
    const HomePage page = MakeHomePage(c.web_host);
    EXPECT_EQ(page.address, c.address);
    EXPECT_EQ(page.shown, c.shown);
  }
}

TEST(NewVersionNotice, NamesTheVersionAndWhereToGoAndCutsAt99) {
  const std::wstring intro = L"New version 1.1 is available!\nFor upgrade, please, visit:\n\n";
  const struct {
    const char* what;
    NoticePlace place;
    const wchar_t* newver;
    std::wstring web_host;
    std::wstring expected;
  } cases[] = {
      {"usual host", NoticePlace::Slide, L"1.1", L"www.velmora.example", intro + L"www.velmora.example/screensavers"},
      {"host with its scheme", NoticePlace::Slide, L"1.1", L"https://www.velmora.example",
       intro + L"www.velmora.example/screensavers"},
      {"version inserted as it is", NoticePlace::Slide, L"2.0beta", L"h.example",
       L"New version 2.0beta is available!\nFor upgrade, please, visit:\n\nh.example/screensavers"},
      {"a percent in the host is text", NoticePlace::Slide, L"1.1", L"%s%n.example",
       intro + L"%s%n.example/screensavers"},
      {"a long host is cut", NoticePlace::Slide, L"1.1", std::wstring(200, L'h'),
       intro + std::wstring(99 - intro.size(), L'h')},
      {"the setup dialog points at its button", NoticePlace::SetupDialog, L"%s2.0", L"www.velmora.example",
       L"New version %s2.0 is available!\nPlease, click \"Home Website\" for upgrade details."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(NewVersionNotice(c.place, c.newver, c.web_host), c.expected);
  }
}

}  // namespace
