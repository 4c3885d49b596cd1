// The compiled-in server addresses. They are defined in one small generated
// source (settings/server_defaults.cpp.in), so a build pointed at other
// servers recompiles only that file.
#pragma once

extern const wchar_t kDefaultPhotoSite[];
extern const wchar_t kDefaultImagePrefix[];
extern const wchar_t kDefaultWeatherHost[];
extern const wchar_t kDefaultUpdateHost[];
extern const wchar_t kDefaultWebHost[];
