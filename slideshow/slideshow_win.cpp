#include "slideshow/slideshow_win.h"

#include <windows.h>
#include <GL/gl.h>

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>

#include "app/file_time_win.h"
#include "app/run_state.h"
#include "settings/settings.h"
#include "slideshow/photo_library_win.h"
#include "slideshow/slide_builder_win.h"
#include "slideshow/slide_sequencer.h"
#include "slideshow/slide_textures_win.h"
#include "weather/weather_cache.h"
#include "weather/weather_cache_win.h"

static_assert(std::is_same_v<GLuint, uint32_t>, "texture names pass through the sequencer unchanged");

namespace {

// Main thread only, like every GL call.
SlideSequencer sequencer;

class WinSlidePlatform final : public SlidePlatform {
 public:
  void GenTextures(int count, uint32_t* names) override { glGenTextures(count, names); }
  void DeleteTextures(int count, const uint32_t* names) override { glDeleteTextures(count, names); }
  int32_t PhotoCount() override { return ::PhotoCount(); }
  std::wstring PhotoPath(int32_t index) override { return PhotoPathAt(index); }
  bool StartSlideBuild(SlideKind kind, const std::wstring& path, int /*slot: uploaded into at the finish*/) override {
    SlideJob job{kind, path, {}};
    // The report as it stands when the sequencer chose the slide.
    if (kind == SlideKind::CurrentWeather) job.weather = CurrentWeatherReport();
    if (kind == SlideKind::Forecast) job.weather = ForecastWeatherReport();
    return ::StartSlideBuild(std::move(job));
  }
  // AdvanceSlideshow hands the slots their texture names after every step.
  bool FinishSlideBuild(uint32_t texture, int slot) override { return ::FinishSlideBuild(texture, slot); }
  void AbandonSlideBuild(int slot) override { ::AbandonSlideBuild(slot); }
  void DeleteOldestPhoto() override { ::DeleteOldestPhoto(); }
  void ScanPhotoFolder() override { ::ScanPhotoFolder(); }
  void StartRefreshThread() override { ::StartRefreshThread(); }
  void RefreshWeather() override { ::RefreshWeather(); }
  bool ShowWeather() override { return settings.show_weather != 0; }
  bool WeatherReady() override { return ::WeatherReady(); }
  bool NoticeWanted() override { return ::NoticeWanted(settings); }
  int64_t GalleryRefreshSeconds() override { return settings.gallery_refresh_seconds; }
  int32_t SlideHoldMs() override { return settings.slide_seconds * 1000; }
  int64_t LastRefreshTime() override { return last_refresh_time; }
  bool TakeNewPhotosArrived() override { return new_photos_arrived.exchange(false); }
};

WinSlidePlatform platform;

}  // namespace

void AdvanceSlideshow() {
  StepSlideshow(sequencer, platform, GetTickCount(), SystemTimeNow());
  for (int slot = 0; slot < 2; ++slot) slideSlots[slot].texture = sequencer.textures[slot];
  currentSlot = sequencer.current_slot;
}

bool DrawFrame(uint32_t tick) {
  const FramePlan plan = PlanFrame(sequencer, new_photos_arrived, tick);
  if (plan.unchanged) return false;
  glClear(GL_COLOR_BUFFER_BIT);
  glLoadIdentity();
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  for (int i = 0; i < plan.count; ++i)
    DrawSlide(plan.draws[i].slot, plan.draws[i].opacity, static_cast<float>(viewport[2]),
              static_cast<float>(viewport[3]));
  return true;
}

void RedrawSlideshow() { ForceRedraw(sequencer); }

void DrawSlide(int slot, float opacity, float w, float h) {
  const SlideSlot& s = slideSlots[slot];
  SlideGeometry g;
  if (!ComputeSlideGeometry(s.width, s.height, w, h, g)) return;
  glColor4f(1.0f, 1.0f, 1.0f, opacity);
  glBindTexture(GL_TEXTURE_2D, s.texture);
  for (int i = 0; i < 4; ++i) {
    const GLdouble plane[4] = {g.planes[i][0], g.planes[i][1], g.planes[i][2], g.planes[i][3]};
    glClipPlane(GL_CLIP_PLANE0 + i, plane);
    glEnable(GL_CLIP_PLANE0 + i);
  }
  // The texture's first row is the picture's bottom row, so (0, 0) goes to
  // the bottom-left corner of the square.
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex2f(g.x0, g.y0 + g.side);
  glTexCoord2f(1.0f, 0.0f);
  glVertex2f(g.x0 + g.side, g.y0 + g.side);
  glTexCoord2f(1.0f, 1.0f);
  glVertex2f(g.x0 + g.side, g.y0);
  glTexCoord2f(0.0f, 1.0f);
  glVertex2f(g.x0, g.y0);
  glEnd();
  for (int i = 3; i >= 0; --i) glDisable(GL_CLIP_PLANE0 + i);
}

void RestartSlideshow() { sequencer.state = SlideState::Starting; }
