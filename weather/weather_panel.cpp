#include "weather/weather_panel.h"

#include <algorithm>

#include "base/wide_text.h"
#include "drawing/photo_fit.h"
#include "res/resource.h"

namespace {

// The icons by code, as numbers of the weather condition icons
// (IDP_WEATHER_ICON + number).
constexpr WeatherIcons kIconNumbers[kWeatherCodes] = {
    {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {22, 22}, {17, 17},
    {17, 17}, {11, 11}, {11, 11}, {20, 20}, {11, 11}, {20, 20}, {9, 9},
    {14, 14}, {2, 2}, {14, 14}, {0, 0}, {17, 17}, {18, 12}, {1, 1},
    {19, 12}, {18, 12}, {5, 5}, {5, 5}, {2, 2}, {7, 7}, {25, 10},
    {24, 10}, {23, 10}, {24, 10}, {8, 4}, {8, 4}, {16, 6}, {16, 6},
    {0, 0}, {8, 4}, {29, 27}, {29, 27}, {26, 15}, {20, 20}, {14, 14},
    {13, 13}, {14, 14}, {3, 3}, {26, 15}, {14, 14}, {29, 27}, {28, 21},
};

}  // namespace

WeatherIcons IconsForCode(int32_t code) {
  if (code < 0 || code >= kWeatherCodes) code = kUnknownWeatherCode;
  const WeatherIcons numbers = kIconNumbers[code];
  return {IDP_WEATHER_ICON + numbers.day, IDP_WEATHER_ICON + numbers.night};
}

int64_t ObservationMinutes(std::wstring_view last_updated) {
  TextScanner scan{last_updated};
  int32_t date_field = -1;
  ClockFields clock{-1, -1};
  if (scan.Number(date_field) && scan.Literal(L'/') && scan.Number(date_field) && scan.Literal(L'/') &&
      scan.Number(date_field)) {
    ScanClock(scan, clock);
  }
  int64_t hour24 = std::max(clock.hour, 0);
  if (EqualsIgnoreCase(clock.marker, L"PM")) {
    if (clock.hour < 12) hour24 += 12;
  } else if (clock.hour == 12) {
    hour24 = 0;  // 12 AM, and a time without marker, is just after midnight
  }
  return hour24 * 60 + std::max(clock.minute, 0);
}

SkyPhase SkyPhaseAt(int64_t now, ClockTime sunrise, ClockTime sunset) {
  const int64_t rise = sunrise.hour * 60 + sunrise.minute;
  const int64_t set = sunset.hour * 60 + sunset.minute;
  if (rise <= now && now < set) return SkyPhase::Day;
  if (now >= set + 60 || now < rise - 60) return SkyPhase::Night;
  return SkyPhase::Twilight;
}

OverlaySize OverlaySlotSize(int screen_width, int screen_height) {
  constexpr float side = static_cast<float>(kTextureSize);
  return {std::min(static_cast<float>(screen_width), side), std::min(static_cast<float>(screen_height), side)};
}

PanelBounds OverlayPanelBounds(OverlaySize slot) {
  constexpr float side = static_cast<float>(kTextureSize);
  return {static_cast<int>(side - slot.width) / 2, static_cast<int>(side - slot.height) / 2,
          static_cast<int>(slot.width + side) / 2, static_cast<int>(slot.height + side) / 2};
}

namespace {

// The icons' own size, which the panels scale.
constexpr float kIconWidth = 250.0f, kIconHeight = 180.0f;

LayoutRect Layout(float x, float y, int width, int height) {
  return {x, y, static_cast<float>(width), static_cast<float>(height)};
}

// Title and sun line sit at the same places on both panels.
LayoutRect TitleRect(PanelBounds b) {
  return Layout(static_cast<float>(b.left), static_cast<float>(b.top + 10), b.right - b.left, b.bottom - b.top);
}
LayoutRect SunLineRect(PanelBounds b) {
  const int h = b.bottom - b.top;
  return Layout(static_cast<float>(b.left), static_cast<float>(b.top + h - 70), b.right - b.left, h);
}

}  // namespace

CurrentPanelLayout LayOutCurrentPanel(PanelBounds b) {
  const int w = b.right - b.left, h = b.bottom - b.top;
  CurrentPanelLayout out;
  out.background = {b.left, b.top, w, h};
  // The sun line and title need 200 pixels of the height.
  out.scale = std::min(static_cast<float>(w) / kIconWidth, static_cast<float>(h - 200) / kIconHeight);
  const int icon_w = static_cast<int>(out.scale * kIconWidth);
  const int icon_h = static_cast<int>(out.scale * kIconHeight);
  out.icon = {b.left + (w - icon_w) / 2, b.top + 100 + (h - icon_h - 200) / 2, icon_w, icon_h};
  out.title = TitleRect(b);
  const float left = static_cast<float>(b.left), top = static_cast<float>(b.top);
  const float icon_wf = static_cast<float>(icon_w), icon_hf = static_cast<float>(icon_h);
  // From one sixth to one half of the icon's height, flush with its right edge.
  out.temperature = {left + static_cast<float>(w - icon_w) * 0.5f,
                     top + static_cast<float>(h - icon_h) * 0.5f + icon_hf / 6.0f, icon_wf, icon_hf / 3.0f};
  // Two thirds down the icon, the third cut to whole pixels.
  out.condition = Layout(left, top + static_cast<float>(h + icon_h) * 0.5f - static_cast<float>(icon_h / 3), w,
                         h - 100);
  out.sun_line = SunLineRect(b);
  return out;
}

ForecastPanelLayout LayOutForecastPanel(const ForecastDay (&days)[kForecastDays], PanelBounds b) {
  const int w = b.right - b.left, h = b.bottom - b.top;
  const int column_w = w / kForecastDays;
  ForecastPanelLayout out;
  out.scale = std::min(static_cast<float>(w) / kIconWidth / kForecastDays,
                       static_cast<float>(h - 550) / kIconHeight * 0.5f);
  const int icon_w = static_cast<int>(out.scale * kIconWidth);
  const int icon_h = static_cast<int>(out.scale * kIconHeight);
  out.title = TitleRect(b);
  out.sun_line = SunLineRect(b);

  int32_t lowest = days[0].low, highest = days[0].high;
  for (int i = 0; i < kForecastDays; ++i) {
    const int offset = (i * w) / kForecastDays;
    const float text_x = static_cast<float>(b.left) + static_cast<float>(i * w) / kForecastDays;
    const int icon_x = b.left + offset + (column_w - icon_w) / 2;
    ForecastColumnLayout& column = out.columns[i];
    column.gradient = {b.left + offset + 5, b.top + 200, column_w - 10, h - 350};
    column.date = Layout(text_x, static_cast<float>(b.top + 145), column_w, 200);
    column.day_icon = {icon_x, b.top + 200, icon_w, icon_h};
    column.day_text = Layout(text_x, static_cast<float>(b.top + icon_h + 160), column_w, h);
    column.high = Layout(text_x, static_cast<float>(b.top + icon_h + 195), column_w, h);
    column.night_icon = {icon_x, b.top + h - icon_h - 215, icon_w, icon_h};
    column.night_text = Layout(text_x, static_cast<float>(b.top + h - 255), column_w, h);
    column.low = Layout(text_x, static_cast<float>(b.top + h - 220), column_w, h);
    lowest = std::min({lowest, days[i].high, days[i].low});
    highest = std::max({highest, days[i].high, days[i].low});
  }

  // One temperature for all five days would divide by zero; the stand-in
  // range lays both curves flat on the coldest line instead.
  int64_t range = static_cast<int64_t>(highest) - lowest;
  if (range == 0) range = 10000;
  const int bottom_y = h - icon_h - 215;  // top of the night icons
  const int band = bottom_y - (icon_h + 265);
  const float unit = static_cast<float>(band) / static_cast<float>(range);
  const auto y_of = [&](int32_t temperature) {
    return b.top + static_cast<int>(static_cast<float>(bottom_y) -
                                    unit * static_cast<float>(static_cast<int64_t>(temperature) - lowest));
  };
  for (int i = 0; i < kForecastDays; ++i) {
    const int x = b.left + (i * w) / kForecastDays + w / 10;
    out.highs[i] = {x, y_of(days[i].high)};
    out.lows[i] = {x, y_of(days[i].low)};
  }
  return out;
}
