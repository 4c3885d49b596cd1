#pragma once

#include "settings/settings_file.h"

// Every saver process of the session holds this mutex while it reads or
// replaces settings.cfg, from before a save's temporary file exists until the
// replace is done.
inline constexpr wchar_t kSettingsLockName[] = L"Local\\CorvathVelmoraSettings";

// Reads data folder\settings.cfg into `settings` and removes temporary files
// that saves cut off by the end of their process left behind. A missing,
// empty or incomplete file is rewritten with the defaults filled in. A file
// that exists but cannot be read (held open by another program, a read error)
// leaves the defaults in memory, and this process then never writes the file:
// what the user chose stays on disk for the next start.
void LoadSettings();

// Stores the fields of `owner` from `settings` into settings.cfg as it stands
// on disk, keeping every other value there (MergeSettingsText). The new text
// goes to a temporary file first and replaces the old file in one step, so an
// interrupted save never leaves a half-written file. Nothing is written when
// the lock cannot be had or the file exists but cannot be read.
void SaveSettings(SettingsOwner owner);
