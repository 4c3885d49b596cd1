// The window the slideshow draws into, with its OpenGL context.
#pragma once

#include <windows.h>

#include "app/command_line.h"

// Full-screen pop-up in Saver mode, a child filling `parent` in Preview mode.
// On failure everything already made is undone and false is returned.
bool CreateSaverWindow(SaverMode mode, HWND parent);
void DestroySaverWindow();

HWND SaverWindow();
HDC SaverDC();
