#pragma once

#include <windows.h>

// The second page of settings (dialog 140): how long a photo stays, what the
// other monitors show and the weather's units. Runs modally, owned by
// `owner`; its OK stores these three settings at once.
void RunMoreSettings(HWND owner);
