// Where everything on the two weather slides goes: the condition icons, the
// observation time and the sky it gives, and the geometry of the current and
// forecast panels. Plain numbers; weather_panel_win.cpp only draws them.
//
// All integer divisions truncate toward zero and every float-to-integer
// conversion cuts toward zero, so the panels land on the same texels on
// every build.
#pragma once

#include <cstdint>
#include <string_view>

#include "weather/weather_document.h"

// Resource ids of the condition icons for one weather condition code.
struct WeatherIcons {
  int day;
  int night;
};

inline constexpr int kWeatherCodes = 49;

// A code outside 0..48 gets the icons of kUnknownWeatherCode.
WeatherIcons IconsForCode(int32_t code);

// Minutes since midnight of last_updated ("12/7/2010 7:40 PM" gives 1180).
// Read like "%d/%d/%d %d:%d %s"; a field that is not there counts as -1, so
// unreadable text gives 0:00.
int64_t ObservationMinutes(std::wstring_view last_updated);

// Day between sunrise and sunset, twilight in the hour before sunrise and the
// hour after sunset, night otherwise. Twilight and night use the night icons.
enum class SkyPhase { Day, Twilight, Night };
SkyPhase SkyPhaseAt(int64_t now, ClockTime sunrise, ClockTime sunset);

struct OverlaySize {
  float width;
  float height;
};
// An overlay slide covers the screen, each side capped at the texture's.
OverlaySize OverlaySlotSize(int screen_width, int screen_height);

struct PanelBounds {
  int left, top, right, bottom;
};
// The overlay's area centred on the canvas.
PanelBounds OverlayPanelBounds(OverlaySize slot);

// Icon and fill rectangles, in canvas pixels.
struct PixelRect {
  int x, y, width, height;
};
// Text layout rectangles; text wraps at the width.
struct LayoutRect {
  float x, y, width, height;
};

struct CurrentPanelLayout {
  PixelRect background;
  float scale;  // of the 250 x 180 icon
  PixelRect icon;
  LayoutRect title;
  LayoutRect temperature;  // right-aligned over the icon's upper part
  LayoutRect condition;
  LayoutRect sun_line;
};
CurrentPanelLayout LayOutCurrentPanel(PanelBounds bounds);

struct ForecastColumnLayout {
  PixelRect gradient;
  LayoutRect date;
  PixelRect day_icon;
  LayoutRect day_text;
  LayoutRect high;
  PixelRect night_icon;
  LayoutRect night_text;
  LayoutRect low;
};

struct CurvePoint {
  int x, y;
};

// The curves' shadows are the same points moved this far right and down.
inline constexpr int kCurveShadowOffset = 4;

struct ForecastPanelLayout {
  float scale;  // of the 250 x 180 icons
  LayoutRect title;
  ForecastColumnLayout columns[kForecastDays];
  // Through the column centres: the warmest temperature of the five days at
  // the bottom of the day texts' band, the coldest on the night icons' top.
  CurvePoint highs[kForecastDays];
  CurvePoint lows[kForecastDays];
  LayoutRect sun_line;
};
ForecastPanelLayout LayOutForecastPanel(const ForecastDay (&days)[kForecastDays], PanelBounds bounds);
