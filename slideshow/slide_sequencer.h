// The slideshow's state machine: which slide is built into which slot, when
// the hold ends, how a fade runs, and when the refresh and weather checks run.
// It takes the show clock (milliseconds the machine was awake) and the system
// time from its caller and reaches textures, photos and threads only through
// SlidePlatform, so the same code runs on the screen and against a fake clock.
// Only the step changes the show; planning a frame and asking when the next
// step is due only read it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "drawing/photo_fit.h"

// BuildingFirst: the first photo of the show is being built; the screen stays
// black until it is uploaded.
enum class SlideState { Starting, WaitingForPhotos, BuildingFirst, SinglePhoto, Holding, Fading, Advancing };
enum class SlideKind { Photo, CurrentWeather, Forecast, Notice };

inline constexpr int32_t kPeriodicCheckMs = 5000;
// A fade draws the running float sums of kFadeStep, one every kFadeStepMs
// from its first frame, up to the last sum not above 1: 51 steps, 1.02 s,
// whatever the frame rate. A late frame skips steps instead of stretching it.
inline constexpr float kFadeStep = 0.02f;
inline constexpr int32_t kFadeStepMs = 20;
inline constexpr int32_t kOverlayEvery = 20;
inline constexpr int32_t kPhotoCacheLimit = 100;
inline constexpr int32_t kStartRefreshBelow = 20;
// A build still running this long after a builder took it is abandoned.
inline constexpr int32_t kSlideBuildLimitMs = 30000;
// With fewer than two photos the refresh is retried after a minute, then
// after twice the last gap, up to half an hour.
inline constexpr int32_t kRefreshRetryFirstMs = 60000;
inline constexpr int32_t kRefreshRetryMostMs = 30 * 60000;

// The size in texels of the picture centred in a slot's texture (the rest is
// black), 0 x 0 for a slot without a picture, which draws black; and the
// texture's side.
struct SlideSize {
  float width = 0.0f;
  float height = 0.0f;
  int texture_side = kTextureSize;
};

// One of the show's two slides: its texture (generated and deleted by the
// sequencer; a build only fills it), the picture in it, and how many pictures
// it has received, so a slot that was refilled never passes for the picture it
// held before.
struct SlideSlot {
  uint32_t texture = 0;
  SlideSize size;
  uint32_t builds = 0;
  std::wstring path;  // the photo last built into it, empty for an overlay
};

// What the sequencer needs from the rest of the program.
class SlidePlatform {
 public:
  virtual ~SlidePlatform() = default;
  virtual void GenTextures(int count, uint32_t* names) = 0;
  virtual void DeleteTextures(int count, const uint32_t* names) = 0;
  virtual int32_t PhotoCount() = 0;
  virtual std::wstring PhotoPath(int32_t index) = 0;  // empty: no such entry
  // Slide builds run off the main thread, one at a time: StartSlideBuild
  // hands the slide over (a photo's path, empty for an empty slot; the
  // overlays take none), and FinishSlideBuild, asked once a step, is empty
  // while it is being built, and once it has uploaded it into the texture,
  // the size of the picture it uploaded. The sequencer starts a build only
  // when none runs. A refused build (false) is given up at once like an
  // abandoned one.
  [[nodiscard]] virtual bool StartSlideBuild(SlideKind kind, const std::wstring& path) = 0;
  [[nodiscard]] virtual std::optional<SlideSize> FinishSlideBuild(uint32_t texture) = 0;
  // When a builder took the running build, on the sequencer's clock; empty
  // while the build waits for its turn, which does not count toward its limit.
  [[nodiscard]] virtual std::optional<uint32_t> SlideBuildRunningSince() = 0;
  // Gives up on the running build, which may never return, or the refused
  // one: the next build must not wait for it. `ran_whole_limit`: the build
  // ran the whole limit, and its photo is given up for the run.
  virtual void AbandonSlideBuild(bool ran_whole_limit) = 0;
  virtual void DeleteOldestPhoto() = 0;
  // Rebuilds the photo list from the folder; nothing else.
  virtual void ScanPhotoFolder() = 0;
  virtual void StartRefreshThread() = 0;
  virtual void RefreshWeather() = 0;
  virtual bool ShowWeather() = 0;
  // The weather report is complete; an empty panel is never shown.
  virtual bool WeatherReady() = 0;
  virtual bool NoticeWanted() = 0;
  virtual int64_t GalleryRefreshSeconds() = 0;
  // A slide is held until more than this many ms have passed since its first
  // holding frame.
  virtual int32_t SlideHoldMs() = 0;
  virtual int64_t LastRefreshTime() = 0;  // 100 ns units since 1601, 0 for never
  virtual bool TakeNewPhotosArrived() = 0;  // reads and clears the flag
  // Another slideshow, on another monitor, holds this photo in a slot (on
  // screen or built for its next slide): the next photo passes over it when
  // some photo is held by none.
  virtual bool PhotoInUseElsewhere([[maybe_unused]] const std::wstring& path) { return false; }
};

// The slides one frame draws, in order (outgoing first), with the slot's
// `builds` when it was planned.
struct SlideDraw {
  int slot;
  float opacity;
  uint32_t build;
};
struct FramePlan {
  int count = 0;
  SlideDraw draws[2] = {};
  // The window already shows exactly this picture: nothing is drawn or swapped.
  bool unchanged = false;
};

struct SlideSequencer {
  SlideState state = SlideState::Starting;
  SlideSlot slots[2];
  int current_slot = 0;  // while holding, the slot on screen
  bool fade_in_pending = false;
  // The time of the running fade's first step, valid while `fade_started`;
  // the step that starts a fade-in or a cross-fade sets it.
  bool fade_started = false;
  uint32_t fade_start = 0;
  int32_t photo_index = 0;  // the photo built last; -1 before the first
  int32_t slide_counter = 0;
  SlideKind last_built_kind = SlideKind::Photo;
  uint32_t hold_start = 0;           // tick of the first holding frame, 0 when not taken
  uint32_t last_periodic_check = 0;  // 0 when none yet; kept across slides
  // The slot whose slide is being built off the main thread, -1 when none.
  // Every build finishes or is abandoned before a hold ends, so a fade always
  // has its incoming slide and Advancing and Starting never find a build
  // running.
  int building_slot = -1;
  // WaitingForPhotos and SinglePhoto: the tick of entering the state or of
  // the last retry of the refresh, and the gap before the next retry.
  uint32_t retry_since = 0;
  int32_t retry_gap_ms = 0;
  // The picture the window shows, valid while `shown` holds; anything that
  // may have spoilt the window clears `shown` (ForceRedraw).
  FramePlan last_drawn;
  bool shown = false;
  // Slots whose photo is to be built again at the show's new texture side.
  bool stale[2] = {false, false};
  // While nobody looks the show is not stepped; this is when that began.
  uint32_t paused_at = 0;
};

// The show starts over on the photos in the folder: the folder is scanned,
// the weather renewed, and the next step is Starting.
void RestartSlideshow(SlideSequencer& s, SlidePlatform& platform);

// One step of the state machine. `tick` is the show clock in milliseconds,
// `system_time` the current time in 100 ns units since 1601-01-01 UTC.
void StepSlideshow(SlideSequencer& s, SlidePlatform& platform, uint32_t tick, int64_t system_time);

// Nobody looks from `tick` on (every display off, the machine asleep): the
// caller stops stepping and drawing the show.
void PauseSlideshow(SlideSequencer& s, uint32_t tick);
// Somebody looks again at `tick`: the slide on screen is drawn at the next
// frame and held anew, a fade goes on from where it stood, and checks that
// fell due meanwhile run at their next step.
void ResumeSlideshow(SlideSequencer& s, uint32_t tick);

// While the slide on screen is held, a build poll comes this often.
inline constexpr int32_t kBuildPollMs = 100;
// How many ms after `tick` the next step can change anything, given the
// hold; 0 while the show needs every frame (a fade, a redraw, a step that
// builds). Up to then the caller may sleep, waking for any message.
int32_t StepDueIn(const SlideSequencer& s, uint32_t tick, int32_t hold_ms);

// The slide to build at the next change, given what was built last.
SlideKind ChooseSlideKind(SlideKind last_built, int32_t slide_counter, bool show_weather, bool notice_wanted);

// The slides this frame draws at `tick`. A fade's opacity follows the time
// since its first step; a plan equal to the picture on screen comes back
// `unchanged`, and the caller then neither draws nor swaps.
FramePlan PlanFrame(const SlideSequencer& s, bool new_photos_arrived, uint32_t tick);
// The caller drew `plan`: the window now shows it.
void NoteFrameDrawn(SlideSequencer& s, const FramePlan& plan);

// The opacity of a fade's step `step`: the sum of `step` times kFadeStep.
float FadeOpacity(int32_t step);

// The window's picture may be spoilt (painted over, resized, the display
// changed): the next frame draws whatever it plans.
void ForceRedraw(SlideSequencer& s);

// The show's texture side changed (its window was resized): the photos in
// both slots are built again at the new side while the slide is held.
void MarkSlidesStale(SlideSequencer& s);

// Another show deleted the list's oldest photo: this show keeps its place,
// the photo it names, now one index lower.
void PhotoListShrankAtFront(SlideSequencer& s);

// Where a slot's picture lands, fitted into a viewport of w x h pixels: the
// whole texture as a square of `side` pixels at (x0, y0), and four clip planes
// (a, b, c, d: keep a*x + b*y + d >= 0) that cut it down to the picture.
struct SlideGeometry {
  float x0, y0, side;
  float planes[4][4];
};
// False for a slot with no picture (width or height 0): nothing is drawn.
bool ComputeSlideGeometry(const SlideSize& picture, float w, float h, SlideGeometry& out);
