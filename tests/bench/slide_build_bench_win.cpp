// Times slide builds the way the show runs them: for each photo file given,
// StartSlideBuild (decode and fit on the builder thread) until FinishSlideBuild
// has uploaded it into a texture of a hidden window's GL context, several
// times, and prints the fastest and the median build in milliseconds, with
// the copy and upload of an overlay's canvas alone and both weather panels,
// built the same way, for comparison. For each photo it also prints where a build's time goes
// (medians of decode, fit onto the canvas, conversion, upload), both for the
// show's own steps and for plain GDI+ (DrawImageRect with its default
// interpolation onto a 24-bit canvas, then a device-independent bitmap copy
// for the upload), which is how slides were built before.
//
//   slide_build_bench.exe [-n RUNS] photo.jpg...
#include <windows.h>
#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <cwchar>
#include <optional>
#include <vector>

#include "base/win_handle.h"
#include "drawing/gdiplus_objects_win.h"
#include "drawing/gdiplus_session_win.h"
#include "drawing/overlay_win.h"
#include "drawing/photo_fit.h"
#include "slideshow/photo_decoder_win.h"
#include "slideshow/slide_builder_win.h"
#include "slideshow/slide_textures_win.h"
#include "tests/bench/bench_clock_win.h"
#include "tests/support/picture_support_win.h"
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

struct Stages {
  std::vector<double> decode, fit, convert, upload;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void PrintStages(const char* path_kind, const wchar_t* photo, const Stages& s) {
  std::printf("stages-%s %ls %.1f %.1f %.1f %.1f\n", path_kind, photo, Median(s.decode), Median(s.fit),
              Median(s.convert), Median(s.upload));
}

// The show's steps: the imaging codec opens the photo and hands out bands of
// rows as DrawPictureSourceOnCanvas fits them straight into texels, which are
// uploaded as they are. The time spent in the band reads is the decode, the
// rest of the drawing the fit.
void ShowSteps(const wchar_t* photo, int side, GLuint texture, Stages& s) {
  std::vector<uint32_t> canvas(CanvasTexelCount(side));
  // Made once per builder thread in the show, so outside the timing.
  const ImagingCodecs codecs;
  double t = NowMs();
  PhotoDecoder decoder(codecs, photo);
  const double open = NowMs() - t;
  double reads = 0.0;
  PictureSource source = decoder.Source();
  PictureSource timed{source.width, source.height,
                      [&](int first, int count, uint8_t* out, std::ptrdiff_t stride) {
                        const double read_start = NowMs();
                        const bool read = source.read(first, count, out, stride);
                        reads += NowMs() - read_start;
                        return read;
                      },
                      source.orientation};
  const PhotoFit fit =
      FitPhoto(static_cast<uint32_t>(source.width), static_cast<uint32_t>(source.height), source.orientation, side);
  t = NowMs();
  DrawPictureSourceOnCanvas(timed, fit, canvas.data());
  const double drawing = NowMs() - t;
  s.decode.push_back(open + reads);
  s.fit.push_back(drawing - reads);
  s.convert.push_back(0.0);  // the fit writes texels in the texture's own format and row order
  t = NowMs();
  static_cast<void>(UploadSlideCanvas(canvas.data(), fit, texture));
  glFinish();
  s.upload.push_back(NowMs() - t);
}

struct DibTraits {
  using Native = HBITMAP;
  static Native Invalid() { return nullptr; }
  static void Close(Native h) { DeleteObject(h); }
};

// Plain GDI+: the decoded image drawn with the default settings onto a 24-bit
// canvas, converted to a 32-bit device-independent bitmap, whose bottom-up
// rows are uploaded.
void GdiplusSteps(const wchar_t* photo, GLuint texture, Stages& s) {
  double t = NowMs();
  GdiplusImage image = LoadImageFile(photo);
  const uint32_t width = image.Width(), height = image.Height();
  s.decode.push_back(NowMs() - t);
  t = NowMs();
  Canvas canvas = CreateCanvas();
  const PhotoFit fit = FitPhoto(width, height);
  canvas.graphics.DrawImageRect(image.get(), fit.x, fit.y, fit.w, fit.h);
  s.fit.push_back(NowMs() - t);
  t = NowMs();
  const UniqueHandle<DibTraits> dib(CreateHbitmap(canvas.bitmap, 0));
  BITMAP bits{};
  GetObjectW(dib.get(), sizeof(bits), &bits);
  s.convert.push_back(NowMs() - t);
  t = NowMs();
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, bits.bmWidth, bits.bmHeight, 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE, bits.bmBits);
  glFinish();
  s.upload.push_back(NowMs() - t);
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
  // Photos are built at the slot side the show picks for this screen.
  GLint limit = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
  const int side = SlotTextureSide(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), limit);

  {
    Canvas canvas = CreateCanvas();
    std::vector<uint32_t> texels(kCanvasTexels);
    const Timing upload = Measure(runs, [&] {
      CopyBitmapToCanvas(canvas.bitmap, texels.data());
      static_cast<void>(UploadSlideCanvas(texels.data(), OverlayFit(kTextureSize, kTextureSize), texture));
    });
    std::printf("upload-only %.1f %.1f\n", upload.fastest, upload.median);
  }
  // As the show builds every slide: on the builder thread, then the upload.
  SlideBuildLane builds(SharedSlideBuilders());
  SlideSize overlay, built;
  auto build = [&](const SlideJob& job) {
    return Measure(runs, [&] {
      // The last build was collected, so the builder always takes this one.
      static_cast<void>(builds.Start(job));
      std::optional<SlideSize> size;
      while (!(size = FinishSlideBuild(builds, texture))) Sleep(1);
      built = *size;
    });
  };
  PublishWeatherReport(SampleReport());
  const Timing current = build({SlideKind::CurrentWeather, L"", CurrentWeatherReport()});
  overlay = built;
  std::printf("weather-current %.1f %.1f %.0fx%.0f\n", current.fastest, current.median, overlay.width,
              overlay.height);
  const Timing forecast = build({SlideKind::Forecast, L"", ForecastWeatherReport()});
  overlay = built;
  std::printf("weather-forecast %.1f %.1f %.0fx%.0f\n", forecast.fastest, forecast.median, overlay.width,
              overlay.height);
  for (int i = first; i < argc; ++i) {
    const Timing photo = build({SlideKind::Photo, argv[i], {}, side});
    std::printf("%ls %.1f %.1f %.0fx%.0f %d\n", argv[i], photo.fastest, photo.median, built.width, built.height, side);
    Stages show, gdiplus;
    for (int run = 0; run < runs; ++run) {
      ShowSteps(argv[i], side, texture, show);
      GdiplusSteps(argv[i], texture, gdiplus);
    }
    PrintStages("show", argv[i], show);
    PrintStages("gdiplus", argv[i], gdiplus);
  }

  glDeleteTextures(1, &texture);
  return 0;
}
