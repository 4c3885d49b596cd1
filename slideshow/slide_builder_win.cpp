#include "slideshow/slide_builder_win.h"

#include <utility>

#include "base/background_thread.h"
#include "base/show_clock_win.h"
#include "base/thread_name_win.h"
#include "slideshow/notice_texture_win.h"
#include "slideshow/photo_decoder_win.h"
#include "slideshow/slide_textures_win.h"
#include "weather/weather_panel_win.h"

namespace {

// The imaging codecs of the calling builder thread, made when the thread
// starts and kept while it lives; only that thread reads its own.
thread_local const ImagingCodecs* builder_codecs = nullptr;

// Builder threads. Every builder works with codec and GDI+ objects of its
// own or with the resource image cache, which nothing else touches while the
// show runs: overlays are never built beside an abandoned overlay build.
PhotoFit BuildSlide(const SlideJob& job, uint32_t* canvas) {
  switch (job.kind) {
    case SlideKind::Photo:
      break;
    case SlideKind::CurrentWeather:
      return BuildCurrentWeatherTexture(job.weather, canvas);
    case SlideKind::Forecast:
      return BuildForecastTexture(job.weather, canvas);
    case SlideKind::Notice:
      return BuildNoticeTexture(canvas);
  }
  return DecodePhotoOntoCanvas(*builder_codecs, job.path, canvas, job.side);
}

// Below the main thread's priority so frames keep their pace while a slide
// is built; never joined, and never ends.
bool StartBuilderThread(SlideBuildHandOver& hand_over) {
  return StartDetachedThread([&hand_over] {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    NameThisThread(L"velmora builder");
    const ImagingCodecs codecs;
    builder_codecs = &codecs;
    for (;;) hand_over.RunOne();
  });
}

}  // namespace

SlideBuilders& SharedSlideBuilders() {
  static SlideBuilders& builders = *new SlideBuilders(BuildSlide, StartBuilderThread, ShowClockMs);
  return builders;
}

std::optional<SlideSize> FinishSlideBuild(SlideBuildLane& lane, GLuint texture) {
  SlideSize size;
  const bool done = lane.Collect([&](const uint32_t* canvas, const PhotoFit& fit) {
    if (canvas != nullptr) size = UploadSlideCanvas(canvas, fit, texture);
  });
  if (!done) return std::nullopt;
  return size;
}
