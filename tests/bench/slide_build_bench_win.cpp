// Times slide builds the way the sequencer runs them: for each photo file
// given, LoadPhotoTexture into a texture of a hidden window's GL context,
// several times, and prints the fastest and the median build in milliseconds,
// with the upload step alone and both weather panels for comparison.
//
//   slide_build_bench.exe [-n RUNS] photo.jpg...
#include <windows.h>
#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <vector>

#include "app/gdiplus_session_win.h"
#include "app/gl_context_win.h"
#include "slideshow/gdiplus_objects_win.h"
#include "slideshow/slide_textures_win.h"
#include "tests/bench/bench_clock_win.h"
#include "weather/weather_cache.h"
#include "weather/weather_panel_win.h"

namespace {

struct Timing {
  double fastest, median;
};

template <typename Step>
Timing Measure(int runs, Step step) {
  std::vector<double> times;
  step();  // warm-up: codecs loaded, texture storage allocated
  for (int i = 0; i < runs; ++i) {
    const double start = NowMs();
    step();
    glFinish();
    times.push_back(NowMs() - start);
  }
  std::sort(times.begin(), times.end());
  return {times.front(), times[times.size() / 2]};
}

// A full report, so every text and both curves are drawn. This program embeds
// no icons: the panels' times leave out drawing them.
WeatherReport SampleReport() {
  WeatherReport report;
  report.location_name.Assign(L"Z\u00fcrich, Switzerland");
  report.temp_unit = L'C';
  report.current_temp = 12;
  report.current_text.Assign(L"Partly Cloudy");
  report.current_icon = 30;
  report.sunrise = {7, 52};
  report.sunset = {16, 36};
  report.last_updated.Assign(L"12/7/2010 1:50 PM CET");
  const int highs[] = {13, 15, 9, 7, 10}, lows[] = {4, 6, 3, -1, 1};
  for (int i = 0; i < kForecastDays; ++i) {
    ForecastDay& day = report.days[i];
    day.date.Assign(L"Dec 7");
    day.day_text.Assign(L"Mostly Cloudy");
    day.night_text.Assign(L"Partly Cloudy");
    day.day_icon = 28;
    day.night_icon = 29;
    day.high = highs[i];
    day.low = lows[i];
  }
  return report;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int runs = 5;
  int first = 1;
  if (argc > 2 && std::wcscmp(argv[1], L"-n") == 0) {
    runs = std::max(1, _wtoi(argv[2]));
    first = 3;
  }
  const GdiplusSession gdiplus;
  const OffscreenGl gl;
  if (!gdiplus.started() || !gl.ok()) {
    std::fprintf(stderr, "no GDI+ or GL context\n");
    return 1;
  }
  GLuint texture = 0;
  glGenTextures(1, &texture);

  {
    Canvas canvas = CreateCanvas();
    const Timing upload = Measure(runs, [&] { UploadSlotTexture(canvas.bitmap, texture, 0); });
    std::printf("upload-only %.1f %.1f\n", upload.fastest, upload.median);
  }
  PublishWeatherReport(SampleReport());
  const SlideSlot& overlay = slideSlots[currentSlot];
  const Timing current = Measure(runs, [&] { BuildCurrentWeatherTexture(texture); });
  std::printf("weather-current %.1f %.1f %.0fx%.0f\n", current.fastest, current.median, overlay.width,
              overlay.height);
  const Timing forecast = Measure(runs, [&] { BuildForecastTexture(texture); });
  std::printf("weather-forecast %.1f %.1f %.0fx%.0f\n", forecast.fastest, forecast.median, overlay.width,
              overlay.height);
  for (int i = first; i < argc; ++i) {
    const Timing build = Measure(runs, [&] { LoadPhotoTexture(argv[i], texture, 0); });
    std::printf("%ls %.1f %.1f %.0fx%.0f\n", argv[i], build.fastest, build.median, slideSlots[0].width,
                slideSlots[0].height);
  }

  glDeleteTextures(1, &texture);
  return 0;
}
