#include "settings/home_page.h"

namespace {

constexpr wchar_t kHomePagePath[] = L"/screensavers";
constexpr std::size_t kNoticeChars = 99;

bool IsAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

// Length of the leading "scheme://", or 0 when the text has none. A scheme is a
// letter followed by letters, digits, "+", "-" or ".", so "host:8080" has none.
std::size_t SchemeLength(std::wstring_view text) {
  const std::size_t colon = text.find(L"://");
  if (colon == std::wstring_view::npos || colon == 0 || !IsAsciiLetter(text[0])) return 0;
  for (std::size_t i = 1; i < colon; ++i) {
    const wchar_t c = text[i];
    if (!IsAsciiLetter(c) && !(c >= L'0' && c <= L'9') && c != L'+' && c != L'-' && c != L'.') return 0;
  }
  return colon + 3;
}

}  // namespace

HomePage MakeHomePage(std::wstring_view web_host) {
  const std::size_t scheme = SchemeLength(web_host);
  HomePage page;
  page.shown = std::wstring(web_host.substr(scheme)) + kHomePagePath;
  page.address = (scheme == 0 ? L"http://" : std::wstring(web_host.substr(0, scheme))) + page.shown;
  return page;
}

std::wstring NewVersionNotice(NoticePlace place, std::wstring_view newver, std::wstring_view web_host) {
  std::wstring text = L"New version " + std::wstring(newver) + L" is available!\n";
  if (place == NoticePlace::SetupDialog) {
    text += L"Please, click \"Home Website\" for upgrade details.";
  } else {
    text += L"For upgrade, please, visit:\n\n" + MakeHomePage(web_host).shown;
  }
  if (text.size() > kNoticeChars) text.resize(kNoticeChars);
  return text;
}
