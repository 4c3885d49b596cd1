#include "slideshow/slideshow_win.h"

#include <windows.h>
#include <GL/gl.h>

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>

#include "base/file_time_win.h"
#include "base/run_state.h"
#include "settings/settings.h"
#include "slideshow/photo_library_win.h"
#include "slideshow/slide_builder_win.h"
#include "slideshow/slide_sequencer.h"
#include "slideshow/slide_textures_win.h"
#include "weather/weather_cache.h"
#include "weather/weather_cache_win.h"

static_assert(std::is_same_v<GLuint, uint32_t>, "texture names pass through the sequencer unchanged");

Slideshow::Slideshow(const SlideshowPeers& peers) : peers_(peers), builds_(SharedSlideBuilders()) {}

int Slideshow::ViewportPhotoSide() {
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  GLint limit = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
  return SlotTextureSide(viewport[2], viewport[3], limit);
}

void Slideshow::Start() { photo_side_ = ViewportPhotoSide(); }

void Slideshow::Resize() {
  const int side = ViewportPhotoSide();
  if (side != photo_side_) MarkSlidesStale(sequencer_);
  photo_side_ = side;
  Redraw();
}

void PrepareSlideshows() {
  ::ScanPhotoFolder();
  ::RefreshWeather();
}

void Slideshow::Advance(uint32_t tick) { StepSlideshow(sequencer_, *this, tick, SystemTimeNow()); }

bool Slideshow::DrawFrame(uint32_t tick) {
  const FramePlan plan = PlanFrame(sequencer_, NewPhotos(), tick);
  if (plan.unchanged) return false;
  NoteFrameDrawn(sequencer_, plan);
  glClear(GL_COLOR_BUFFER_BIT);
  glLoadIdentity();
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  for (int i = 0; i < plan.count; ++i)
    DrawSlide(sequencer_.slots[plan.draws[i].slot], plan.draws[i].opacity, static_cast<float>(viewport[2]),
              static_cast<float>(viewport[3]));
  return true;
}

void Slideshow::Redraw() { ForceRedraw(sequencer_); }
void Slideshow::Pause(uint32_t tick) { PauseSlideshow(sequencer_, tick); }
void Slideshow::Resume(uint32_t tick) { ResumeSlideshow(sequencer_, tick); }
int32_t Slideshow::FrameDueIn(uint32_t tick) { return StepDueIn(sequencer_, tick, SlideHoldMs()); }

void Slideshow::GenTextures(int count, uint32_t* names) { glGenTextures(count, names); }
void Slideshow::DeleteTextures(int count, const uint32_t* names) { glDeleteTextures(count, names); }
int32_t Slideshow::PhotoCount() { return ::PhotoCount(); }
std::wstring Slideshow::PhotoPath(int32_t index) { return PhotoPathAt(index); }

bool Slideshow::StartSlideBuild(SlideKind kind, const std::wstring& path) {
  SlideJob job{kind, path, {}, kind == SlideKind::Photo ? photo_side_ : kTextureSize};
  // The report as it stands when the sequencer chose the slide.
  if (kind == SlideKind::CurrentWeather) job.weather = CurrentWeatherReport();
  if (kind == SlideKind::Forecast) job.weather = ForecastWeatherReport();
  return builds_.Start(std::move(job));
}

std::optional<SlideSize> Slideshow::FinishSlideBuild(uint32_t texture) { return ::FinishSlideBuild(builds_, texture); }
void Slideshow::DeleteOldestPhoto() {
  ::DeleteOldestPhoto();
  for (Slideshow* show : peers_.Slideshows())
    if (show != this) PhotoListShrankAtFront(show->sequencer_);
}
std::optional<uint32_t> Slideshow::SlideBuildRunningSince() { return builds_.RunningSince(); }
void Slideshow::AbandonSlideBuild(bool ran_whole_limit) { builds_.Abandon(ran_whole_limit); }
void Slideshow::ScanPhotoFolder() { ::ScanPhotoFolder(); }
void Slideshow::StartRefreshThread() { ::StartRefreshThread(); }
void Slideshow::RefreshWeather() { ::RefreshWeather(); }
bool Slideshow::ShowWeather() { return settings.show_weather != 0; }
bool Slideshow::WeatherReady() { return ::WeatherReady(); }
bool Slideshow::NoticeWanted() { return ::NoticeWanted(settings); }
int64_t Slideshow::GalleryRefreshSeconds() { return settings.gallery_refresh_seconds; }
int32_t Slideshow::SlideHoldMs() { return settings.slide_seconds * 1000; }
int64_t Slideshow::LastRefreshTime() { return last_refresh_time; }
bool Slideshow::NewPhotos() {
  // The refresh thread raises one flag for the process; the first slideshow
  // to see it passes the news on to every one.
  if (new_photos_arrived.exchange(false))
    for (Slideshow* show : peers_.Slideshows()) show->new_photos_ = true;
  return new_photos_;
}

bool Slideshow::TakeNewPhotosArrived() {
  const bool news = NewPhotos();
  new_photos_ = false;
  return news;
}

bool Slideshow::PhotoInUseElsewhere(const std::wstring& path) {
  for (const Slideshow* other : peers_.Slideshows()) {
    if (other == this) continue;
    for (const SlideSlot& slot : other->sequencer_.slots)
      if (slot.path == path) return true;
  }
  return false;
}

void DrawSlide(const SlideSlot& slot, float opacity, float w, float h) {
  SlideGeometry g;
  if (!ComputeSlideGeometry(slot.size, w, h, g)) return;
  glColor4f(1.0f, 1.0f, 1.0f, opacity);
  glBindTexture(GL_TEXTURE_2D, slot.texture);
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

