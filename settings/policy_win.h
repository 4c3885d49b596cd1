#pragma once

// The policy key, under HKEY_LOCAL_MACHINE and then HKEY_CURRENT_USER.
inline constexpr wchar_t kPolicyKey[] = L"SOFTWARE\\Policies\\Corvath\\Velmora";

// Reads the policies into `settings` and `policy_locks`. Main thread, after
// LoadSettings and before any other thread starts.
void LoadPolicies();
