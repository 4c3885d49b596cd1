// The weather service's location search: the address a search text goes to,
// the result lines read out of the answer, and how a chosen line becomes a
// location name and id again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/wide_text.h"

inline constexpr std::size_t kSearchTextChars = 98;    // read from the search box
inline constexpr std::size_t kLocationIdChars = 19;     // what weather_loc_id keeps; a longer id is not offered
inline constexpr std::size_t kLocationNameBytes = 100;  // of an answer's name, the rest is cut
inline constexpr std::size_t kResultLineChars = 119;    // the longest result line
inline constexpr std::size_t kSearchAddressChars = 259;
inline constexpr wchar_t kResultDash = L'\u2014';
// Every search answer file's name matches this, the single answer file of
// earlier versions ("weather_search.xml") too.
inline constexpr wchar_t kSearchFilePattern[] = L"weather_search*.xml";
// A search answer file written longer ago than this belongs to a process that
// ended during its search: a running search writes its file within seconds
// and holds it open against deletion until the download ends.
inline constexpr int64_t kStaleSearchAnswerSeconds = 3600;
inline constexpr uint64_t kSearchAnswerLimit = 1ull << 20;  // bytes

inline constexpr wchar_t kSearchingText[] = L"Searching, please wait...";
inline constexpr wchar_t kNotFoundText[] = L"Could not find this location.";
inline constexpr wchar_t kConnectionFailedText[] = L"Could not find the location. Looks like connection problems...";

// The data folder file one search stores its answer in while it is read:
// "weather_search_PID_TID.xml" from the ids of the process and the search
// thread, so no two running searches of any processes share one.
std::wstring SearchAnswerFileName(uint32_t process_id, uint32_t thread_id);

// What the user typed, without the leading characters up to U+0020.
std::wstring_view TrimSearchText(std::wstring_view text);

// The text as UTF-8 with every byte except letters, digits and "-._~"
// written as %XX, so blanks, "&", "#", "%", "+", "?", control and non-ASCII
// characters reach the service as typed. A lone surrogate becomes U+FFFD.
std::wstring EncodeSearchText(std::wstring_view text);

// The weather host followed by "/search/search?where=" and the encoded text.
// An address longer than 259 characters loses whole characters of the text
// from its end (never part of an escape); one whose host alone is too long is
// empty.
std::wstring FormatSearchAddress(std::wstring_view weather_host, std::wstring_view text);

// Adds the result line of every `<loc id="ID">NAME</loc>` entry of the answer
// (which ends at its first zero byte) that FormatResultLine offers to `list`,
// in document order, and returns how many were added. `list` is cleared just
// before the first line is added, so an answer without such entries leaves it
// as it was. Markers and "</loc>" are found in any letter case.
int ParseLocationList(std::string_view answer, std::vector<std::wstring>& list);

// "NAME — ID" from answer bytes: each byte the character of the same code,
// control characters (U+0000..U+001F, U+007F..U+009F) turned into blanks.
// The name is cut to fit the line's 119 characters, never the id, so the line
// splits back into exactly this id. Nothing for an empty name or id, or an id
// longer than kLocationIdChars: no such entry could be stored as a location.
std::optional<std::wstring> FormatResultLine(std::string_view name, std::string_view id);

struct ChosenLocation {
  FixedText<99> name;
  FixedText<19> id;
};

// Takes a result line apart: the name is the text before the blank that
// precedes the dash, the id the text after the blank that follows it, cut to
// 99 and 19 characters. Nothing for a line without a dash (a status line) or
// with an empty name or id, which name no location.
std::optional<ChosenLocation> SplitResultLine(std::wstring_view line);

// What a search shows when it ends: the result lines, or the one status line.
struct SearchOutcome {
  std::vector<std::wstring> lines;
  bool found = false;  // lines are results: OK is enabled and the first selected
};
SearchOutcome MakeSearchOutcome(bool downloaded, std::string_view answer);
