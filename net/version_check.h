// Asks the update service which version is current and keeps its answer in
// settings.newver. Files, network and the Windows version come in through
// VersionPlatform.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr wchar_t kApplicationId[] = L"velmora";
inline constexpr wchar_t kAnswerFileName[] = L"update.xml";
inline constexpr uint64_t kAnswerLimit = 1ull << 20;  // bytes

struct WindowsVersion {
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t service_pack_major = 0;
  uint32_t service_pack_minor = 0;
};

class VersionPlatform {
 public:
  virtual ~VersionPlatform() = default;
  // Empty when the platform does not tell.
  virtual std::optional<WindowsVersion> QueryWindowsVersion() = 0;
  // Fetches `address` into the data folder's "update.xml" and hands back its bytes.
  virtual bool FetchAnswer(const std::wstring& address, std::string& answer) = 0;
  // Stores settings.newver into settings.cfg, nothing else.
  virtual void SaveNewver() = 0;
  virtual void RemoveAnswerFile() = 0;
};

// "major.minor.spmajor.spminor", or "Unknown"; at most 19 characters.
std::wstring FormatWindowsVersion(const std::optional<WindowsVersion>& version);

// The update host followed by the fixed path and query, cut to 259 characters.
std::wstring FormatVersionQuery(std::wstring_view update_host, std::wstring_view guid,
                                std::wstring_view windows_version);

// The text between the first "<appver>" and the first "</appver>" (tag names
// in any case) of the answer (which ends at its first zero byte), one byte to
// one character, without control characters (below U+0020), at most 9
// characters, nothing else trimmed. Empty optional when either tag is missing
// or the closing tag comes first.
std::optional<std::wstring> ReadAnswerVersion(std::string_view answer);

// The whole check: query, fetch, newver and its save when the answer carried
// a version, and "update.xml" removed on every path. Nothing at all when
// check_version is 0.
void RunVersionCheck(VersionPlatform& platform);
