#include "settings/policy.h"

#include <algorithm>

#include "settings/settings_file.h"

PolicyLocks policy_locks;

namespace {

std::optional<uint32_t> Number(const PolicyReader& read, const wchar_t* name) {
  if (std::optional<uint32_t> machine = read.number(PolicyHive::Machine, name)) return machine;
  return read.number(PolicyHive::User, name);
}

std::optional<std::wstring> Text(const PolicyReader& read, const wchar_t* name) {
  for (const PolicyHive hive : {PolicyHive::Machine, PolicyHive::User}) {
    std::optional<std::wstring> value = read.text(hive, name);
    if (value && !value->empty()) return value;
  }
  return std::nullopt;
}

// A flag: any number but 0 is on.
bool ApplyFlag(const PolicyReader& read, const wchar_t* name, int32_t& field) {
  const std::optional<uint32_t> value = Number(read, name);
  if (value) field = *value != 0 ? 1 : 0;
  return value.has_value();
}

}  // namespace

PolicyLocks ApplyPolicies(Settings& s, const PolicyReader& read) {
  PolicyLocks locks;
  if (const std::optional<uint32_t> row = Number(read, L"dloption")) {
    ApplySetting(s, L"dloption", std::to_wstring(*row).c_str());
    locks.dloption = true;
  }
  locks.show_weather = ApplyFlag(read, L"show_weather", s.show_weather);
  locks.show_newver = ApplyFlag(read, L"show_newver", s.show_newver);
  locks.check_version = ApplyFlag(read, L"check_version", s.check_version);
  if (const std::optional<uint32_t> seconds = Number(read, L"slide_seconds")) {
    s.slide_seconds = static_cast<int32_t>(
        std::clamp<uint32_t>(*seconds, kSlideSecondsLeast, kSlideSecondsMost));
    locks.slide_seconds = true;
  }
  if (const std::optional<std::wstring> id = Text(read, L"weather_loc_id")) {
    s.weather_loc_id.Assign(*id);
    const std::optional<std::wstring> name = Text(read, L"weather_loc");
    s.weather_loc.Assign(name                                              ? *name
                         : EqualsIgnoreCase(*id, kDefaultLocationId) ? kDefaultLocationName
                                                                      : L"?");
    locks.location = true;
  }
  if (const std::optional<std::wstring> mode = Text(read, L"monitors")) {
    s.monitors = ParseMonitorMode(*mode);
    locks.monitors = true;
  }
  if (const std::optional<std::wstring> unit = Text(read, L"weather_unit")) {
    s.weather_unit = WeatherUnitFrom(*unit);
    locks.weather_unit = true;
  }
  return locks;
}
