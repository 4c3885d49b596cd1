#pragma once

#include <windows.h>

// The setup dialog's procedure (dialog 101), run modeless by start-up.
INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
