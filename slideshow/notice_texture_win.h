// The new-version notice slide: the warning icon above a few centred lines
// naming the new version and the download page.
//
// Render thread only, with the saver window's GL context current.
#pragma once

#include <windows.h>
#include <GL/gl.h>

#include <string_view>

#include "slideshow/gdiplus_objects_win.h"
#include "slideshow/slide_textures_win.h"

// Builds the notice for the primary screen into `texture` of slot currentSlot,
// with resource image 2100 as its icon.
void BuildNoticeTexture(GLuint texture);

// The same for a screen of screen_width x screen_height pixels and any icon
// (null: none), drawn at its natural size.
void BuildNoticeTextureForScreen(GLuint texture, int slot, int screen_width, int screen_height,
                                 Gdiplus::GpImage* icon);

// The notice's text for `newver`, ending with the download page address
// (web_host + "/screensavers"); cut at 99 characters.
void FormatNoticeMessage(wchar_t (&buffer)[kTextBufferSize], const wchar_t* newver, std::wstring_view web_host);
