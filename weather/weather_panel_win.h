// The two weather slides drawn with GDI+: current conditions and the
// five-day forecast. No GL: the show draws them on the slide builder thread.
#pragma once

#include <windows.h>

#include <cstdint>

#include "drawing/gdiplus_objects_win.h"
#include "drawing/photo_fit.h"
#include "weather/weather_document.h"

// Draw a panel from `report` over the screen's area of a black canvas
// (kCanvasTexels texels) and return the slot's fit: the screen size, each
// side capped at 2048. The forecast takes the report's forecast view
// (ForecastWeatherReport), which stands today's current conditions in for an
// unavailable day icon.
PhotoFit BuildCurrentWeatherTexture(const WeatherReport& report, uint32_t* canvas);
PhotoFit BuildForecastTexture(const WeatherReport& report, uint32_t* canvas);

// Draw into the rectangle; a missing icon or font leaves that element out.
// They never change the report.
void DrawCurrentWeatherPanel(GdiplusGraphics& graphics, const WeatherReport& report, int left, int top, int right,
                             int bottom);
void DrawForecastPanel(GdiplusGraphics& graphics, const WeatherReport& report, int left, int top, int right,
                       int bottom);
