// The user's choices and the installation id, loaded once at start-up.
#pragma once

#include <cstdint>
#include <string_view>
#include <type_traits>

#include "base/wide_text.h"
#include "version.h"

inline constexpr wchar_t kOwnVersion[] = L"" VELMORA_VERSION_TEXT;
inline constexpr wchar_t kDefaultLocationId[] = L"RSXX0091";
inline constexpr wchar_t kDefaultLocationName[] = L"Saint-Petersburg, Russia";

// Longest value a server key may hold.
inline constexpr std::size_t kServerValueLimit = 259;

// How long a slide is held, in seconds, and the range a stored value is kept in.
inline constexpr int32_t kDefaultSlideSeconds = 10;
inline constexpr int32_t kSlideSecondsLeast = 3;
inline constexpr int32_t kSlideSecondsMost = 3600;

// Which monitors the full-screen saver covers: the primary one only; the
// primary one with every other monitor black; a slideshow on every monitor.
enum class MonitorMode { Primary, Black, All };

struct Settings {
  int32_t dloption = 0;
  int32_t gallery_refresh_seconds = 86400;  // copied from the gallery table, never stored
  FixedText<9> newver;
  FixedText<39> guid;
  int32_t show_weather = 1;
  int32_t show_newver = 1;
  FixedText<99> weather_loc;
  FixedText<19> weather_loc_id;
  // Optional, written to the file only when it is not the default.
  int32_t slide_seconds = kDefaultSlideSeconds;
  MonitorMode monitors = MonitorMode::Primary;  // stored only when not Primary
  wchar_t weather_unit = L'm';                  // the weather query's units, "m" or "s"; stored only when "s"
  int32_t check_version = 1;  // 0: no version request and no notice; set by policy only, never stored

  // Server addresses: compiled-in defaults, overridable in the settings file.
  FixedText<kServerValueLimit> photo_site;
  FixedText<kServerValueLimit> image_prefix;
  FixedText<kServerValueLimit> weather_host;
  FixedText<kServerValueLimit> update_host;
  FixedText<kServerValueLimit> web_host;

  Settings();
};

// The process-wide record. The main thread fills it before any other thread
// starts; later writers are the setup dialog (main thread, no saver running)
// and the version check on the refresh thread.
extern Settings settings;
// The refresh and weather threads read it while the process may be ending.
static_assert(std::is_trivially_destructible_v<Settings>);

// Handles the keys the loader does not handle itself; only "dloption" has an
// effect. Either argument missing: nothing happens.
void ApplySetting(Settings& s, const wchar_t* key, const wchar_t* value);

// `newver` is rewritten by the version check on the refresh thread while the
// main thread may read it for the notice. Writes while other threads run go
// through StoreNewver; reads that may overlap such a write use CurrentNewver
// or NoticeWanted. All three hold one small lock.
void StoreNewver(std::wstring_view value);
FixedText<9> CurrentNewver();

// `newver` names a newer version: not empty and, ignoring case, not
// kOwnVersion. There is no numeric ordering: any other text counts as newer.
bool IsNewerVersion(std::wstring_view newver);

// A newer version is known, the check is not switched off and the user wants
// to hear about it.
bool NoticeWanted(const Settings& s);
