#pragma once

// Reads data folder\settings.cfg into `settings`; rewrites the file when it is
// missing or incomplete.
void LoadSettings();

// Writes `settings` to data folder\settings.cfg, filling in defaults on the way.
// The new text goes to a temporary file first and replaces the old file in one
// step, so an interrupted save never leaves a half-written file.
void SaveSettings();
