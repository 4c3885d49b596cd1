// The saver windows' registrations for the display-state notification, and
// what the power notifications they receive say. Main thread only: the
// notifications arrive through the window procedure.
#pragma once

#include <windows.h>

// Registers `window` for the console's display state, or for the monitors'
// power where the system does not offer that (before Windows 8). The
// registration ends with UnwatchPower, at the latest when the saver's windows
// are destroyed; the system sends the current state right after registering.
void WatchPower(HWND window);
void UnwatchPower(HWND window);

// A WM_POWERBROADCAST: a display state, a suspend or a resume.
void OnPowerBroadcast(WPARAM event, LPARAM data);

// Every display is off or the machine sleeps (see PowerState).
bool NobodyLooks();
