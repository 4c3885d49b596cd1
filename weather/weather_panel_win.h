// The two weather slides drawn with GDI+: current conditions and the
// five-day forecast. Render thread only, with the GL context current.
#pragma once

#include <windows.h>
#include <GL/gl.h>

#include "slideshow/gdiplus_objects_win.h"
#include "weather/weather_document.h"

// Fill slot currentSlot with a panel drawn from the published report over the
// screen's area of a black canvas; the slot records the screen size (each
// side capped at 2048). The forecast takes the report's forecast view, which
// stands today's current conditions in for an unavailable day icon.
void BuildCurrentWeatherTexture(GLuint texture);
void BuildForecastTexture(GLuint texture);

// Draw into the rectangle; a missing icon or font leaves that element out.
// They never change the report.
void DrawCurrentWeatherPanel(GdiplusGraphics& graphics, const WeatherReport& report, int left, int top, int right,
                             int bottom);
void DrawForecastPanel(GdiplusGraphics& graphics, const WeatherReport& report, int left, int top, int right,
                       int bottom);
