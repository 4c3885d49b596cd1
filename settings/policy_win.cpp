#include "settings/policy_win.h"

#include <windows.h>

#include <optional>
#include <string>

#include "settings/policy.h"
#include "settings/settings.h"

namespace {

HKEY Root(PolicyHive hive) { return hive == PolicyHive::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

std::optional<uint32_t> ReadNumber(PolicyHive hive, const wchar_t* name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegGetValueW(Root(hive), kPolicyKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::wstring> ReadText(PolicyHive hive, const wchar_t* name) {
  // The longest text setting, the location name, keeps 99 characters; a
  // longer value is cut like one in the file.
  wchar_t value[260] = {};
  DWORD size = sizeof value;
  const LSTATUS status = RegGetValueW(Root(hive), kPolicyKey, name, RRF_RT_REG_SZ, nullptr, value, &size);
  if (status == ERROR_MORE_DATA) {
    std::wstring longer(size / sizeof(wchar_t), L'\0');
    if (RegGetValueW(Root(hive), kPolicyKey, name, RRF_RT_REG_SZ, nullptr, longer.data(), &size) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    return std::wstring(longer.c_str());
  }
  if (status != ERROR_SUCCESS) return std::nullopt;
  return std::wstring(value);
}

}  // namespace

void LoadPolicies() { policy_locks = ApplyPolicies(settings, PolicyReader{ReadNumber, ReadText}); }
