#include "net/version_check.h"

#include "base/wide_text.h"
#include "net/http_fetch.h"
#include "settings/settings.h"

namespace {

constexpr std::size_t kWindowsVersionLimit = 19;
constexpr std::size_t kNewverLimit = 9;
constexpr std::string_view kOpeningTag = "<appver>";
constexpr std::string_view kClosingTag = "</appver>";

}  // namespace

std::wstring FormatWindowsVersion(const std::optional<WindowsVersion>& version) {
  if (!version) return L"Unknown";
  std::wstring text;
  for (const uint32_t part : {version->major, version->minor, version->service_pack_major,
                              version->service_pack_minor}) {
    if (!text.empty()) text += L'.';
    text += std::to_wstring(static_cast<int32_t>(part));
  }
  if (text.size() > kWindowsVersionLimit) text.resize(kWindowsVersionLimit);
  return text;
}

std::wstring FormatVersionQuery(std::wstring_view update_host, std::wstring_view guid,
                                std::wstring_view windows_version) {
  std::wstring query(update_host);
  query += L"/screensavers/update.php?app=";
  query += kApplicationId;
  query += L"&ver=";
  query += kOwnVersion;
  query += L"&uid=";
  query += guid;
  query += L"&os=win&osver=";
  query += windows_version;
  if (query.size() > kMaxFetchText) query.resize(kMaxFetchText);
  return query;
}

std::optional<std::wstring> ReadAnswerVersion(std::string_view answer) {
  answer = answer.substr(0, answer.find('\0'));
  const std::size_t opening = FindIgnoringCase(answer, kOpeningTag);
  const std::size_t closing = FindIgnoringCase(answer, kClosingTag);
  if (opening == std::string_view::npos || closing == std::string_view::npos || opening >= closing) {
    return std::nullopt;
  }
  const std::size_t start = opening + kOpeningTag.size();
  const std::string_view element = answer.substr(start, closing - start);
  // newver goes into settings.cfg, where a line break would add or swallow a
  // line and blanks around a value are not read back: control characters and
  // leading blanks are dropped before the nine characters are counted, and
  // trailing blanks after.
  std::string version;
  for (const char c : element) {
    if (version.size() == kNewverLimit) break;
    if (static_cast<unsigned char>(c) >= 0x20 && !(c == ' ' && version.empty())) version += c;
  }
  while (!version.empty() && version.back() == ' ') version.pop_back();
  return WidenBytes(version);
}

void RunVersionCheck(VersionPlatform& platform) {
  // Switched off by an administrator: not a byte goes out.
  if (settings.check_version == 0) return;
  const std::wstring query = FormatVersionQuery(settings.update_host.View(), settings.guid.View(),
                                                FormatWindowsVersion(platform.QueryWindowsVersion()));
  std::string answer;
  if (platform.FetchAnswer(query, answer)) {
    // An answer without a version leaves the file alone: this process's newver
    // may be older than the one another saver has stored since.
    if (const std::optional<std::wstring> version = ReadAnswerVersion(answer)) {
      StoreNewver(*version);
      platform.SaveNewver();
    }
  }
  platform.RemoveAnswerFile();
}
