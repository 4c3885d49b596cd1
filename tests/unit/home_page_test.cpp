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

}  // namespace
