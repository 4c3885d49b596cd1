#include "weather/weather_panel.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

void ExpectRect(const PixelRect& seen, const PixelRect& expected, const char* what) {
  SCOPED_TRACE(what);
  EXPECT_EQ(seen.x, expected.x);
  EXPECT_EQ(seen.y, expected.y);
  EXPECT_EQ(seen.width, expected.width);
  EXPECT_EQ(seen.height, expected.height);
}

void ExpectRect(const LayoutRect& seen, const LayoutRect& expected, const char* what) {
  SCOPED_TRACE(what);
  EXPECT_NEAR(seen.x, expected.x, 0.001);
  EXPECT_NEAR(seen.y, expected.y, 0.001);
  EXPECT_NEAR(seen.width, expected.width, 0.001);
  EXPECT_NEAR(seen.height, expected.height, 0.001);
}

TEST(WeatherPanel, IconMapForEveryCodeAndUnknownCodes) {
  // Indexed by condition code; one id where day and night share the icon.
  const struct {
    int day, night = 0;
  } rows[kWeatherCodes] = {
      {2000}, {2000}, {2000}, {2000}, {2000}, {2022}, {2017},                                            // 0-6
      {2017}, {2011}, {2011}, {2020}, {2011}, {2020}, {2009},                                            // 7-13
      {2014}, {2002}, {2014}, {2000}, {2017}, {2018, 2012}, {2001},                                      // 14-20
      {2019, 2012}, {2018, 2012}, {2005}, {2005}, {2002}, {2007}, {2025, 2010},                          // 21-27
      {2024, 2010}, {2023, 2010}, {2024, 2010}, {2008, 2004}, {2008, 2004}, {2016, 2006}, {2016, 2006},  // 28-34
      {2000}, {2008, 2004}, {2029, 2027}, {2029, 2027}, {2026, 2015}, {2020}, {2014},                    // 35-41
      {2013}, {2014}, {2003}, {2026, 2015}, {2014}, {2029, 2027}, {2028, 2021},                          // 42-48
  };
  for (int32_t code = 0; code < kWeatherCodes; ++code) {
    SCOPED_TRACE(code);
    const int night = rows[code].night != 0 ? rows[code].night : rows[code].day;
    EXPECT_EQ(IconsForCode(code).day, rows[code].day);
    EXPECT_EQ(IconsForCode(code).night, night);
  }
  // Any other code takes the icon of 44, "not available".
  for (const int32_t code : {49, -1, INT32_MIN, INT32_MAX}) {
    SCOPED_TRACE(code);
    EXPECT_EQ(IconsForCode(code).day, 2003);
    EXPECT_EQ(IconsForCode(code).night, 2003);
  }
}

TEST(WeatherPanel, ObservationMinutes) {
  const struct {
    const wchar_t* last_updated;
    int64_t minutes;
  } cases[] = {
      {L"12/7/2010 12:05 AM", 5},
      {L"12/7/2010 12:05 PM", 725},
      {L"12/7/2010 7:40 PM", 1180},
      {L"12/7/2010 7:40 AM", 460},
      {L"12/7/2010 7:40 pm", 1180},
      {L"  12/7/2010   7:40\tPM", 1180},
      {L"12/7/2010 13:05 PM", 785},  // already a 24-hour clock
      {L"12/7/2010 12:05", 5},       // no marker: 12 counts as midnight
      {L"12/7/2010 9:15", 555},
      {L"12/7/2010 1:05 P", 65},  // not "PM"
      {L"12/7/2010 9", 540},      // no minutes
      {L"12/7/2010 99999999999:00 PM", int64_t{INT32_MAX} * 60},
      // Unreadable: nothing after the first mismatch is read.
      {L"", 0},
      {L"unknown", 0},
      {L"7:40 PM", 0},
      {L"12-7-2010 7:40 PM", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.last_updated);
    EXPECT_EQ(ObservationMinutes(c.last_updated), c.minutes);
  }
}

TEST(WeatherPanel, SkyPhaseAroundSunriseAndSunset) {
  const ClockTime sunrise{7, 30}, sunset{16, 30};
  const struct {
    int hour, minute;
    SkyPhase phase;
  } cases[] = {
      {0, 0, SkyPhase::Night},      {6, 29, SkyPhase::Night},    {6, 30, SkyPhase::Twilight},
      {7, 29, SkyPhase::Twilight},  {7, 30, SkyPhase::Day},      {12, 0, SkyPhase::Day},
      {16, 29, SkyPhase::Day},      {16, 30, SkyPhase::Twilight}, {17, 0, SkyPhase::Twilight},
      {17, 29, SkyPhase::Twilight}, {17, 30, SkyPhase::Night},   {23, 59, SkyPhase::Night},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.hour << ":" << c.minute);
    EXPECT_EQ(SkyPhaseAt(c.hour * 60 + c.minute, sunrise, sunset), c.phase);
  }
}

TEST(WeatherPanel, OverlaySlotAndPanelBounds) {
  const struct {
    int screen_width, screen_height;
    float width, height;
    PanelBounds bounds;
  } cases[] = {
      {1280, 720, 1280.0f, 720.0f, {384, 664, 1664, 1384}},
      {2560, 1440, 2048.0f, 1440.0f, {0, 304, 2048, 1744}},
      {1920, 1080, 1920.0f, 1080.0f, {64, 484, 1984, 1564}},
      {1365, 767, 1365.0f, 767.0f, {341, 640, 1706, 1407}},
      {4096, 4096, 2048.0f, 2048.0f, {0, 0, 2048, 2048}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.screen_width << " x " << c.screen_height);
    const OverlaySize slot = OverlaySlotSize(c.screen_width, c.screen_height);
    EXPECT_EQ(slot.width, c.width);
    EXPECT_EQ(slot.height, c.height);
    const PanelBounds bounds = OverlayPanelBounds(slot);
    EXPECT_EQ(bounds.left, c.bounds.left);
    EXPECT_EQ(bounds.top, c.bounds.top);
    EXPECT_EQ(bounds.right, c.bounds.right);
    EXPECT_EQ(bounds.bottom, c.bounds.bottom);
  }
}

TEST(WeatherPanel, CurrentPanelGeometry) {
  const struct {
    PanelBounds bounds;
    float scale;
    PixelRect icon;
    LayoutRect temperature;
    float condition_y, sun_y;
  } cases[] = {
      // 1250 x 560: the height limits the icon to twice its size.
      {{100, 37, 1350, 597}, 2.0f, {475, 137, 500, 360}, {475, 197, 500, 120}, 377, 527},
      // 1000 x 1000: the width limits it.
      {{30, 20, 1030, 1020}, 4.0f, {30, 160, 1000, 720}, {30, 280, 1000, 240}, 640, 950},
      // A 1280 x 720 screen: 520 / 3 is 173.33 for the temperature but 173 for the condition.
      {{384, 664, 1664, 1384}, 520.0f / 180.0f, {663, 764, 722, 520}, {663, 764 + 520.0f / 6, 722, 520.0f / 3},
       1111, 1314},
  };
  for (const auto& c : cases) {
    const PanelBounds& b = c.bounds;
    SCOPED_TRACE(testing::Message() << "panel at " << b.left << ", " << b.top);
    const CurrentPanelLayout layout = LayOutCurrentPanel(b);
    const float w = static_cast<float>(b.right - b.left), h = static_cast<float>(b.bottom - b.top);
    EXPECT_FLOAT_EQ(layout.scale, c.scale);
    ExpectRect(layout.background, {b.left, b.top, b.right - b.left, b.bottom - b.top}, "background");
    ExpectRect(layout.icon, c.icon, "icon");
    ExpectRect(layout.title, {float(b.left), float(b.top + 10), w, h}, "title");
    ExpectRect(layout.temperature, c.temperature, "temperature");
    ExpectRect(layout.condition, {float(b.left), c.condition_y, w, h - 100}, "condition");
    ExpectRect(layout.sun_line, {float(b.left), c.sun_y, w, h}, "sun line");
  }
}

TEST(WeatherPanel, ForecastPanelGeometry) {
  const struct {
    PanelBounds bounds;
    int column_width;
    int offsets[kForecastDays];       // of the columns from the panel's left
    float text_x[kForecastDays];      // of their texts, unrounded
    int icon_inset;                   // of the icons inside their column
    int centre;                       // of the columns' curve points inside them
  } cases[] = {
      {{60, 45, 1660, 955}, 320, {0, 320, 640, 960, 1280}, {0, 320, 640, 960, 1280}, 35, 160},
      // An odd width: integer column offsets, fractional text positions.
      {{341, 45, 1707, 955}, 273, {0, 273, 546, 819, 1092}, {0, 273.2f, 546.4f, 819.6f, 1092.8f}, 11, 136},
  };
  ForecastDay days[kForecastDays];
  for (const auto& c : cases) {
    const PanelBounds& b = c.bounds;
    SCOPED_TRACE(testing::Message() << "panel of width " << b.right - b.left);
    const ForecastPanelLayout layout = LayOutForecastPanel(days, b);
    // Both panels are 910 high: icons at their own size, 250 x 180.
    EXPECT_FLOAT_EQ(layout.scale, 1.0f);
    const float w = static_cast<float>(b.right - b.left);
    ExpectRect(layout.title, {float(b.left), float(b.top + 10), w, 910}, "title");
    ExpectRect(layout.sun_line, {float(b.left), float(b.top + 840), w, 910}, "sun line");
    for (int i = 0; i < kForecastDays; ++i) {
      SCOPED_TRACE(testing::Message() << "column " << i);
      const ForecastColumnLayout& column = layout.columns[i];
      const int x = b.left + c.offsets[i];
      const float text_x = static_cast<float>(b.left) + c.text_x[i];
      const float text_w = static_cast<float>(c.column_width);
      ExpectRect(column.gradient, {x + 5, b.top + 200, c.column_width - 10, 560}, "gradient");
      ExpectRect(column.date, {text_x, float(b.top + 145), text_w, 200}, "date");
      ExpectRect(column.day_icon, {x + c.icon_inset, b.top + 200, 250, 180}, "day icon");
      ExpectRect(column.day_text, {text_x, float(b.top + 340), text_w, 910}, "day text");
      ExpectRect(column.high, {text_x, float(b.top + 375), text_w, 910}, "high");
      ExpectRect(column.night_icon, {x + c.icon_inset, b.top + 515, 250, 180}, "night icon");
      ExpectRect(column.night_text, {text_x, float(b.top + 655), text_w, 910}, "night text");
      ExpectRect(column.low, {text_x, float(b.top + 690), text_w, 910}, "low");
      EXPECT_EQ(layout.highs[i].x, x + c.centre);
      EXPECT_EQ(layout.lows[i].x, x + c.centre);
    }
  }
}

TEST(WeatherPanel, ForecastCurvesSpanTheBandBetweenTextsAndNightIcons) {
  // On a 1600 x 910 panel the warmest point lies at 445 below the top, the
  // coldest at 515 (the top of the night icons): 70 pixels for the range.
  const struct {
    const char* name;
    int32_t highs[kForecastDays], lows[kForecastDays];
    int high_y[kForecastDays], low_y[kForecastDays];
  } cases[] = {
      {"five pixels a degree",
       {20, 18, 13, 17, 19}, {10, 8, 6, 7, 9},
       {445, 455, 480, 460, 450}, {495, 505, 515, 510, 500}},
      {"below zero, cut toward zero",
       {-6, -6, -6, -6, -6}, {-10, -9, -8, -7, -9},
       {445, 445, 445, 445, 445}, {515, 497, 480, 462, 497}},
      {"a high below every low is the coldest",
       {5, 5, 5, 5, -5}, {0, 0, 0, 0, 0},
       {445, 445, 445, 445, 515}, {480, 480, 480, 480, 480}},
      {"one temperature lies flat on the night icons",
       {12, 12, 12, 12, 12}, {12, 12, 12, 12, 12},
       {515, 515, 515, 515, 515}, {515, 515, 515, 515, 515}},
      {"the widest range",
       {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX},
       {INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN},
       {445, 445, 445, 445, 445}, {515, 515, 515, 515, 515}},
  };
  const PanelBounds bounds{60, 45, 1660, 955};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ForecastDay days[kForecastDays];
    for (int i = 0; i < kForecastDays; ++i) {
      days[i].high = c.highs[i];
      days[i].low = c.lows[i];
    }
    const ForecastPanelLayout layout = LayOutForecastPanel(days, bounds);
    for (int i = 0; i < kForecastDays; ++i) {
      SCOPED_TRACE(testing::Message() << "day " << i);
      EXPECT_EQ(layout.highs[i].y, bounds.top + c.high_y[i]);
      EXPECT_EQ(layout.lows[i].y, bounds.top + c.low_y[i]);
    }
  }
}

}  // namespace
