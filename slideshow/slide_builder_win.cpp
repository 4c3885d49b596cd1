#include "slideshow/slide_builder_win.h"

#include <process.h>

#include <utility>

#include "app/win_handle.h"
#include "slideshow/notice_texture_win.h"
#include "slideshow/slide_textures_win.h"
#include "weather/weather_panel_win.h"

namespace {

// Builder thread. Every builder works with codec and GDI+ objects of its own
// or with the resource image cache, which nothing else touches while the
// show runs.
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
  return DecodePhotoOntoCanvas(job.path, canvas);
}

// Allocated once and never freed: the builder thread may still run when the
// process ends, and it must find its hand-over (and GDI+, see RunSaver) alive.
SlideBuildHandOver& HandOver() {
  static SlideBuildHandOver& hand_over = *new SlideBuildHandOver(BuildSlide);
  return hand_over;
}

unsigned __stdcall BuilderThreadMain(void*) {
  for (;;) HandOver().RunOne();
}

// Started once, below the main thread's priority so frames keep their pace
// while a slide is built; never joined.
bool BuilderThreadRunning() {
  static bool started = false;
  if (started) return true;
  const KernelHandle thread(
      reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, BuilderThreadMain, nullptr, 0, nullptr)));
  if (!thread) return false;  // the next build tries again
  SetThreadPriority(thread.get(), THREAD_PRIORITY_BELOW_NORMAL);
  started = true;
  return true;
}

}  // namespace

bool StartSlideBuild(SlideJob job) {
  if (!HandOver().Start(std::move(job))) return false;
  // Without a builder thread the main thread builds the slide itself:
  // slower, but the show goes on.
  if (!BuilderThreadRunning()) HandOver().RunOne();
  return true;
}

bool FinishSlideBuild(GLuint texture, int slot) {
  return HandOver().Collect(
      [&](const uint32_t* canvas, const PhotoFit& fit) { UploadSlideCanvas(canvas, fit, texture, slot); });
}

bool SlideBuildRunning() { return HandOver().Busy(); }
