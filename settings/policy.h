// Settings an administrator sets centrally, as registry values under
// HKLM\SOFTWARE\Policies\Corvath\Velmora and HKCU\SOFTWARE\Policies\Corvath\Velmora.
// A machine value wins over a user value, and either over the settings file;
// a policy value is never written to the file.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "settings/settings.h"

enum class PolicyHive { Machine, User };

// Reads one value of the policy key: numbers are REG_DWORD, texts REG_SZ; a
// value that is missing or of the other type is nothing.
struct PolicyReader {
  std::function<std::optional<uint32_t>(PolicyHive, const wchar_t* name)> number;
  std::function<std::optional<std::wstring>(PolicyHive, const wchar_t* name)> text;
};

// Which settings a policy sets; the dialogs show these disabled.
struct PolicyLocks {
  bool dloption = false;
  bool show_weather = false;
  bool location = false;  // weather_loc_id, with weather_loc
  bool show_newver = false;
  bool slide_seconds = false;
  bool monitors = false;
  bool weather_unit = false;
  bool check_version = false;
};

// Set once by the main thread at start-up, before any other thread runs; only
// read afterwards.
extern PolicyLocks policy_locks;

// Puts every policy value into `s`, read by the same rules as the file's
// (dloption outside 0..5 is 0, slide_seconds kept within 3..3600, an unknown
// monitors or weather_unit text the default), and returns which ones were set.
// weather_loc counts only with weather_loc_id; without it the name is the
// default's for the default id, else "?". An empty text is no policy.
PolicyLocks ApplyPolicies(Settings& s, const PolicyReader& read);
