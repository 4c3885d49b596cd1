#include "slideshow/slide_builder_win.h"

#include <process.h>

#include <utility>

#include "app/win_handle.h"
#include "slideshow/notice_texture_win.h"
#include "slideshow/slide_textures_win.h"
#include "weather/weather_panel_win.h"

namespace {

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
  return DecodePhotoOntoCanvas(job.path, canvas);
}

unsigned __stdcall BuilderThreadMain(void* hand_over) {
  for (;;) static_cast<SlideBuildHandOver*>(hand_over)->RunOne();
}

// Below the main thread's priority so frames keep their pace while a slide
// is built; never joined.
bool StartBuilderThread(SlideBuildHandOver& hand_over) {
  const KernelHandle thread(
      reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, BuilderThreadMain, &hand_over, 0, nullptr)));
  if (!thread) return false;
  SetThreadPriority(thread.get(), THREAD_PRIORITY_BELOW_NORMAL);
  return true;
}

// Allocated once and never freed: a builder thread, an abandoned one above
// all, may still run when the process ends, and it must find its hand-over
// (and GDI+, see RunSaver) alive.
SlideBuilders& Builders() {
  static SlideBuilders& builders = *new SlideBuilders(BuildSlide, StartBuilderThread);
  return builders;
}

void LeaveSlotEmpty(int slot) {
  slideSlots[slot].width = 0;
  slideSlots[slot].height = 0;
}

}  // namespace

bool StartSlideBuild(SlideJob job) { return Builders().Start(std::move(job)); }

bool FinishSlideBuild(GLuint texture, int slot) {
  return Builders().Collect([&](const uint32_t* canvas, const PhotoFit& fit) {
    if (canvas == nullptr) {
      LeaveSlotEmpty(slot);
      return;
    }
    UploadSlideCanvas(canvas, fit, texture, slot);
  });
}

void AbandonSlideBuild(int slot) {
  Builders().Abandon();
  LeaveSlotEmpty(slot);
}

bool SlideBuildRunning() { return Builders().Busy(); }
