// The location search dialog (dialog 132) and its search thread.
#pragma once

#include <windows.h>

#include "base/wide_text.h"

// The location the user confirmed in the last search dialog; empty until then.
// Main thread only: written by the dialog, read by the setup dialog.
extern FixedText<99> chosen_location_name;
extern FixedText<19> chosen_location_id;

// Runs the dialog modally, owned by `owner`. True when a location was chosen
// (chosen_location_name and chosen_location_id are then set).
bool RunLocationSearch(HWND owner);

// Deletes the search answer files that searches of killed processes left in
// the data folder (see kStaleSearchAnswerSeconds). Called when the setup starts.
void RemoveStaleSearchAnswers();
