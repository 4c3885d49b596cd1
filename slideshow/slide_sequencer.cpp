#include "slideshow/slide_sequencer.h"

#include <algorithm>

namespace {

// Differences are signed 32-bit, so the wrap of the millisecond clock after
// 49.7 days does not end a hold early.
int32_t Elapsed(uint32_t now, uint32_t since) { return static_cast<int32_t>(now - since); }

// The last step whose opacity is not above 1.
int32_t LastFadeStep() {
  static const int32_t last = [] {
    int32_t step = 0;
    while (FadeOpacity(step + 1) <= 1.0f) ++step;
    return step;
  }();
  return last;
}

void StartFade(SlideSequencer& s, uint32_t now) {
  s.fade_started = true;
  s.fade_start = now;
}

// The step the running fade draws at `now`: one every kFadeStepMs from its
// first, the last one until the fade is over.
int32_t FadeStepAt(const SlideSequencer& s, uint32_t now) {
  if (!s.fade_started) return 0;
  return std::clamp(Elapsed(now, s.fade_start) / kFadeStepMs, 0, LastFadeStep());
}

// The last step has been on screen for its kFadeStepMs.
bool FadeOver(const SlideSequencer& s, uint32_t now) {
  return s.fade_started && Elapsed(now, s.fade_start) >= (LastFadeStep() + 1) * kFadeStepMs;
}

void StepFadeIn(SlideSequencer& s, uint32_t now) {
  if (!s.fade_in_pending || !FadeOver(s, now)) return;
  s.fade_in_pending = false;
  s.fade_started = false;
}

// The slot of the running build has its new picture, or none (0 x 0).
void EndBuild(SlideSequencer& s, SlideSize size) {
  SlideSlot& slot = s.slots[s.building_slot];
  slot.size = size;
  ++slot.builds;
  s.building_slot = -1;
}

void StartBuild(SlideSequencer& s, SlidePlatform& p, SlideKind kind, const std::wstring& path, int slot) {
  s.building_slot = slot;
  s.slots[slot].path = kind == SlideKind::Photo ? path : std::wstring();
  if (p.StartSlideBuild(kind, path)) return;
  // Nothing will ever finish: the slot shows black at once instead of
  // holding the show for the build limit.
  p.AbandonSlideBuild(false);
  EndBuild(s, SlideSize{});
}

// From `index` on in order, the first photo that is not `on_screen` and that
// no other slideshow holds; failing that, the first that is not `on_screen`,
// even if another monitor shows it, so a show never fades a photo into
// itself; `index` itself when there is neither.
int32_t FreePhotoIndex(SlidePlatform& p, int32_t index, const std::wstring& on_screen) {
  const int32_t n = p.PhotoCount();
  int32_t shared = -1;
  for (int32_t k = 0; k < n; ++k) {
    const int32_t i = (index + k) % n;
    const std::wstring path = p.PhotoPath(i);
    if (!on_screen.empty() && path == on_screen) continue;
    if (!p.PhotoInUseElsewhere(path)) return i;
    if (shared < 0) shared = i;
  }
  return shared >= 0 ? shared : index;
}

// Builds the photo at `index`, or the next one as FreePhotoIndex chooses
// beside the slide the other slot shows, and goes on from there.
void StartPhotoBuild(SlideSequencer& s, SlidePlatform& p, int32_t index, int slot) {
  s.photo_index = FreePhotoIndex(p, index, s.slots[1 - slot].path);
  StartBuild(s, p, SlideKind::Photo, p.PhotoPath(s.photo_index), slot);
}

// A photo built at a side the show no longer uses is built again into its
// own slot, the slot on screen first; the old picture stays on screen until
// the new one is uploaded. True when such a build started.
bool RebuildStaleSlot(SlideSequencer& s, SlidePlatform& p) {
  for (const int slot : {s.current_slot, 1 - s.current_slot}) {
    if (!s.stale[slot]) continue;
    s.stale[slot] = false;
    if (s.slots[slot].path.empty()) continue;
    StartBuild(s, p, SlideKind::Photo, s.slots[slot].path, slot);
    return s.building_slot >= 0;
  }
  return false;
}

// True when no build runs any more: the one running, if any, has just been
// uploaded into its slot, or has run too long and was abandoned, which
// leaves the slot black like a photo that cannot be decoded (a codec stuck
// on a damaged file, a read from an unreachable folder). The limit counts
// from when a builder took the build: the time it waited behind another
// show's build, stuck or not, is not its own.
bool BuildFinished(SlideSequencer& s, SlidePlatform& p, uint32_t now) {
  if (s.building_slot < 0) return true;
  const std::optional<SlideSize> size = p.FinishSlideBuild(s.slots[s.building_slot].texture);
  if (!size) {
    const std::optional<uint32_t> since = p.SlideBuildRunningSince();
    if (!since || Elapsed(now, *since) <= kSlideBuildLimitMs) return false;
    p.AbandonSlideBuild(true);
  }
  EndBuild(s, size.value_or(SlideSize{}));
  return true;
}

// Entering WaitingForPhotos or SinglePhoto, where no periodic check runs.
void WaitForPhotos(SlideSequencer& s, SlideState state, uint32_t now) {
  s.state = state;
  s.retry_since = now;
  s.retry_gap_ms = kRefreshRetryFirstMs;
}

// A refresh that failed (no network at the first start) is tried again, at
// growing gaps so an absent network is not hammered all night.
void RetryRefresh(SlideSequencer& s, SlidePlatform& p, uint32_t now) {
  if (Elapsed(now, s.retry_since) <= s.retry_gap_ms) return;
  p.StartRefreshThread();
  s.retry_since = now;
  s.retry_gap_ms = std::min(2 * s.retry_gap_ms, kRefreshRetryMostMs);
}

void GenTextures(SlideSequencer& s, SlidePlatform& p) {
  uint32_t names[2] = {};
  p.GenTextures(2, names);
  for (int i = 0; i < 2; ++i) s.slots[i].texture = names[i];
}

void DeleteTextures(SlideSequencer& s, SlidePlatform& p) {
  const uint32_t names[2] = {s.slots[0].texture, s.slots[1].texture};
  p.DeleteTextures(2, names);
}

void StepStarting(SlideSequencer& s, SlidePlatform& p, uint32_t tick) {
  GenTextures(s, p);
  // The new textures hold nothing yet, and no photo of the last run is held.
  for (SlideSlot& slot : s.slots) slot.path.clear();
  s.stale[0] = s.stale[1] = false;
  s.fade_started = false;
  s.current_slot = 0;
  s.photo_index = 0;
  s.last_built_kind = SlideKind::Photo;
  s.slide_counter = 0;
  s.fade_in_pending = true;
  const int32_t n = p.PhotoCount();
  if (n == 0) {
    WaitForPhotos(s, SlideState::WaitingForPhotos, tick);
    p.StartRefreshThread();
  } else {
    // A random first photo, then on in order of age. Only the first is built
    // now: it fades in as soon as it is ready, and the second follows.
    if (n > 1) s.photo_index = static_cast<int32_t>(tick % static_cast<uint32_t>(n));
    StartPhotoBuild(s, p, s.photo_index, 0);
    s.state = SlideState::BuildingFirst;
    if (n < kStartRefreshBelow) p.StartRefreshThread();
  }
  p.RefreshWeather();
}

void StepWaitingForPhotos(SlideSequencer& s, SlidePlatform& p, uint32_t now) {
  if (p.PhotoCount() == 0) {
    RetryRefresh(s, p, now);
    return;
  }
  StartPhotoBuild(s, p, 0, 0);
  s.state = SlideState::BuildingFirst;
}

void StepBuildingFirst(SlideSequencer& s, SlidePlatform& p, uint32_t now) {
  if (!BuildFinished(s, p, now)) return;
  StartFade(s, now);  // the fade-in from black
  const int32_t n = p.PhotoCount();
  if (n < 2) {
    WaitForPhotos(s, SlideState::SinglePhoto, now);
    return;
  }
  s.photo_index = (s.photo_index + 1) % n;
  StartPhotoBuild(s, p, s.photo_index, 1);
  s.state = SlideState::Holding;
}

void StepSinglePhoto(SlideSequencer& s, SlidePlatform& p, uint32_t now) {
  StepFadeIn(s, now);
  if (p.PhotoCount() < 2) {
    RetryRefresh(s, p, now);
    return;
  }
  s.photo_index = 1;
  StartPhotoBuild(s, p, s.photo_index, 1);
  s.state = SlideState::Holding;
}

void PeriodicCheck(SlidePlatform& p, int64_t system_time) {
  const int64_t age_seconds = (system_time - p.LastRefreshTime()) / 10'000'000;
  if (age_seconds > p.GalleryRefreshSeconds()) p.StartRefreshThread();
  p.RefreshWeather();
}

void StepHolding(SlideSequencer& s, SlidePlatform& p, uint32_t now, int64_t system_time) {
  StepFadeIn(s, now);
  const bool next_ready = BuildFinished(s, p, now) && !RebuildStaleSlot(s, p);
  if (s.hold_start == 0) {
    s.hold_start = now;
    return;
  }
  // A hold outlasts a build that is slow to finish: no fade without its
  // incoming slide.
  if (Elapsed(now, s.hold_start) > p.SlideHoldMs() && next_ready && !s.fade_in_pending) {
    s.hold_start = 0;
    s.state = SlideState::Fading;
    StartFade(s, now);
    return;
  }
  if (s.last_periodic_check == 0) {
    s.last_periodic_check = now;
    return;
  }
  if (Elapsed(now, s.last_periodic_check) <= kPeriodicCheckMs) return;
  s.last_periodic_check = now;
  PeriodicCheck(p, system_time);
}

void BuildNextPhoto(SlideSequencer& s, SlidePlatform& p) {
  const int32_t n = p.PhotoCount();
  // Another monitor's show may hold the oldest photo: it stays until that
  // show has moved on, and the cache shrinks a change later.
  if (n > kPhotoCacheLimit && s.photo_index > 0 && !p.PhotoInUseElsewhere(p.PhotoPath(0))) {
    p.DeleteOldestPhoto();
    // The photo that followed has moved down into this index.
    const int32_t remaining = p.PhotoCount();
    s.photo_index = remaining > 0 ? s.photo_index % remaining : 0;
  } else {
    s.photo_index = n > 0 ? (s.photo_index + 1) % n : 0;
  }
  StartPhotoBuild(s, p, s.photo_index, s.current_slot);
}

void StepAdvancing(SlideSequencer& s, SlidePlatform& p) {
  if (p.TakeNewPhotosArrived()) {
    DeleteTextures(s, p);
    RestartSlideshow(s, p);
    return;
  }
  const int slot = s.current_slot;
  p.DeleteTextures(1, &s.slots[slot].texture);
  p.GenTextures(1, &s.slots[slot].texture);
  ++s.slide_counter;
  const bool weather = p.ShowWeather() && p.WeatherReady();
  const SlideKind kind = ChooseSlideKind(s.last_built_kind, s.slide_counter, weather, p.NoticeWanted());
  if (kind == SlideKind::Photo) {
    BuildNextPhoto(s, p);
  } else {
    StartBuild(s, p, kind, std::wstring(), slot);
  }
  s.last_built_kind = kind;
  s.current_slot = 1 - slot;
  s.state = SlideState::Holding;
}

bool SamePicture(const FramePlan& a, const FramePlan& b) {
  if (a.count != b.count) return false;
  for (int i = 0; i < a.count; ++i) {
    const SlideDraw &x = a.draws[i], &y = b.draws[i];
    if (x.slot != y.slot || x.build != y.build || x.opacity != y.opacity) return false;
  }
  return true;
}

}  // namespace

SlideKind ChooseSlideKind(SlideKind last_built, int32_t slide_counter, bool show_weather, bool notice_wanted) {
  if (last_built == SlideKind::Forecast && notice_wanted) return SlideKind::Notice;
  if (last_built == SlideKind::CurrentWeather) return SlideKind::Forecast;
  if (slide_counter % kOverlayEvery != 0) return SlideKind::Photo;
  if (show_weather) return SlideKind::CurrentWeather;
  if (notice_wanted) return SlideKind::Notice;
  return SlideKind::Photo;
}

void RestartSlideshow(SlideSequencer& s, SlidePlatform& platform) {
  platform.ScanPhotoFolder();
  platform.RefreshWeather();
  s.state = SlideState::Starting;
}

void StepSlideshow(SlideSequencer& s, SlidePlatform& platform, uint32_t tick, int64_t system_time) {
  switch (s.state) {
    case SlideState::Starting:
      StepStarting(s, platform, tick);
      break;
    case SlideState::WaitingForPhotos:
      StepWaitingForPhotos(s, platform, tick);
      break;
    case SlideState::BuildingFirst:
      StepBuildingFirst(s, platform, tick);
      break;
    case SlideState::SinglePhoto:
      StepSinglePhoto(s, platform, tick);
      break;
    case SlideState::Holding:
      StepHolding(s, platform, tick, system_time);
      break;
    case SlideState::Fading:
      if (FadeOver(s, tick)) {
        s.fade_started = false;
        s.state = SlideState::Advancing;
      }
      break;
    case SlideState::Advancing:
      StepAdvancing(s, platform);
      break;
  }
}

float FadeOpacity(int32_t step) {
  // Summed step by step in floats, as the frames of a fade once added them up.
  float opacity = 0.0f;
  for (int32_t i = 0; i < step; ++i) opacity += kFadeStep;
  return opacity;
}

FramePlan PlanFrame(const SlideSequencer& s, bool new_photos_arrived, uint32_t tick) {
  FramePlan plan;
  const int other = 1 - s.current_slot;
  auto draw = [&](int slot, float opacity) {
    plan.draws[plan.count++] = SlideDraw{slot, opacity, s.slots[slot].builds};
  };
  switch (s.state) {
    case SlideState::SinglePhoto:
    case SlideState::Holding:
      draw(s.current_slot, s.fade_in_pending ? FadeOpacity(FadeStepAt(s, tick)) : 1.0f);
      break;
    case SlideState::Fading: {
      // Outgoing first, incoming over it; after new photos the fade goes to black.
      const float opacity = FadeOpacity(FadeStepAt(s, tick));
      draw(s.current_slot, 1.0f - opacity);
      if (!new_photos_arrived) draw(other, opacity);
      break;
    }
    case SlideState::Advancing:
      if (!new_photos_arrived) draw(other, 1.0f);
      break;
    case SlideState::Starting:
    case SlideState::WaitingForPhotos:
    case SlideState::BuildingFirst:
      break;
  }
  plan.unchanged = s.shown && SamePicture(plan, s.last_drawn);
  return plan;
}

void NoteFrameDrawn(SlideSequencer& s, const FramePlan& plan) {
  s.last_drawn = plan;
  s.shown = true;
}

void ForceRedraw(SlideSequencer& s) { s.shown = false; }

void MarkSlidesStale(SlideSequencer& s) {
  for (int slot = 0; slot < 2; ++slot) s.stale[slot] = !s.slots[slot].path.empty();
}

void PhotoListShrankAtFront(SlideSequencer& s) {
  // -1 is the place before the first photo: the next one is entry 0.
  if (s.photo_index >= 0) --s.photo_index;
}

void PauseSlideshow(SlideSequencer& s, uint32_t tick) { s.paused_at = tick; }

void ResumeSlideshow(SlideSequencer& s, uint32_t tick) {
  if (s.fade_started) s.fade_start += tick - s.paused_at;
  s.hold_start = 0;
  ForceRedraw(s);
}

int32_t StepDueIn(const SlideSequencer& s, uint32_t tick, int32_t hold_ms) {
  if (!s.shown || s.fade_in_pending) return 0;
  switch (s.state) {
    case SlideState::Holding: {
      if (s.hold_start == 0 || s.last_periodic_check == 0) return 0;
      // Each ends once more than its length has passed.
      const int32_t check_left = kPeriodicCheckMs - Elapsed(tick, s.last_periodic_check) + 1;
      if (s.building_slot >= 0) return std::clamp(check_left, 0, kBuildPollMs);
      const int32_t hold_left = hold_ms - Elapsed(tick, s.hold_start) + 1;
      return std::max(std::min(hold_left, check_left), 0);
    }
    case SlideState::WaitingForPhotos:
    case SlideState::BuildingFirst:
    case SlideState::SinglePhoto:
      // Photos arriving and builds finishing are polled.
      return kBuildPollMs;
    case SlideState::Starting:
    case SlideState::Fading:
    case SlideState::Advancing:
      break;
  }
  return 0;
}

bool ComputeSlideGeometry(const SlideSize& picture, float w, float h, SlideGeometry& out) {
  const float a = picture.width, b = picture.height;
  if (!(a > 0.0f) || !(b > 0.0f)) return false;
  const float scale = std::min(w * 100.0f / a, h * 100.0f / b);  // percent
  const float dw = a * scale / 100.0f;
  const float dh = b * scale / 100.0f;
  out.side = scale * static_cast<float>(picture.texture_side) / 100.0f;
  out.x0 = (w - out.side) * 0.5f;
  out.y0 = (h - out.side) * 0.5f;
  const float planes[4][4] = {
      {1.0f, 0.0f, 0.0f, (dw - w) * 0.5f},   // x >= (w - dw) / 2
      {-1.0f, 0.0f, 0.0f, (w + dw) * 0.5f},  // x <= (w + dw) / 2
      {0.0f, 1.0f, 0.0f, (dh - h) * 0.5f},   // y >= (h - dh) / 2
      {0.0f, -1.0f, 0.0f, (h + dh) * 0.5f},  // y <= (h + dh) / 2
  };
  std::copy(&planes[0][0], &planes[0][0] + 16, &out.planes[0][0]);
  return true;
}
