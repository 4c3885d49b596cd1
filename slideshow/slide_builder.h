// The hand-over between the main thread and the slide builder thread, which
// decodes and fits photos and draws the weather and notice slides, one at a
// time, so the main thread never waits for a build: the main thread hands a
// job in and later takes the finished canvas out to upload it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "drawing/photo_fit.h"
#include "slideshow/slide_sequencer.h"
#include "weather/weather_document.h"

// One slide to build. The job carries everything the builder may not read
// from shared state: a photo's path (empty: an empty slot), the side of the
// canvas a photo is drawn on (overlays keep kTextureSize) and, for the
// weather slides, the report as the main thread saw it when it chose them.
struct SlideJob {
  SlideKind kind = SlideKind::Photo;
  std::wstring path;
  WeatherReport weather;
  int side = kTextureSize;
};

// Builds `job` onto `canvas`, at least the job's side squared texels (the
// fit says which side it drew on), and returns the slot's
// size with where the picture lies; a photo that cannot be decoded leaves an
// all-black canvas and an empty fit.
using SlideBuildWork = PhotoFit (*)(const SlideJob& job, uint32_t* canvas);

// What the main thread does with a finished build: `canvas` is null when the
// slide has no picture at all (its slot stays empty and shows black).
using SlideBuildUse = std::function<void(const uint32_t* canvas, const PhotoFit& fit)>;

// The show clock in milliseconds (ShowClockMs), read by a builder thread when
// it takes a job: the build limit counts from then.
using SlideBuildClock = uint32_t (*)();

class SlideBuildHandOver {
 public:
  SlideBuildHandOver(SlideBuildWork work, SlideBuildClock clock);
  SlideBuildHandOver(const SlideBuildHandOver&) = delete;
  SlideBuildHandOver& operator=(const SlideBuildHandOver&) = delete;

  // Main thread. Queues a build; false (nothing queued) unless the last one
  // has been collected.
  [[nodiscard]] bool Start(SlideJob job);
  // Main thread, never waits. When the build is done, hands its canvas and fit
  // to `use` (the upload) and makes room for the next; false while it runs or
  // when none was started.
  [[nodiscard]] bool Collect(const SlideBuildUse& use);
  // A build is queued or running: the builder thread may be using GDI+.
  bool Busy();
  // When the builder thread took the last build; empty while it is queued
  // or when none was started.
  std::optional<uint32_t> TakenAt();

  // Builder thread: waits for a queued build and runs it.
  void RunOne();

 private:
  enum class Stage { Idle, Queued, Running, Done };

  // Under `lock_`: `stage_`, `job_`, `taken_at_` and `fit_`. The main thread
  // moves Idle -> Queued (writing the job) and Done -> Idle; the builder
  // thread moves Queued -> Running (taking the job, writing `taken_at_`) and
  // Running -> Done (writing the fit).
  // `canvas_` belongs to the builder thread from Queued to Done and to the
  // main thread from Done to Idle, so it is never used by both and needs no
  // lock. It grows to the largest side asked of it and is kept for the life
  // of the hand-over: a canvas allocated for each build costs its page faults
  // every time and lowers no peak, and a screen of up to kTextureSize pixels
  // never asks for more than kCanvasTexels.
  std::mutex lock_;
  std::condition_variable queued_;
  Stage stage_ = Stage::Idle;
  SlideJob job_;
  uint32_t taken_at_ = 0;
  PhotoFit fit_;
  std::vector<uint32_t> canvas_;
  const SlideBuildWork work_;
  const SlideBuildClock clock_;
};

// Builders the process may have at once: the one at work and those stuck in
// abandoned builds.
inline constexpr int kMostSlideBuilders = 4;

class SlideBuildLane;

// The builders every slideshow shares, each a hand-over served by a thread of
// its own, one build at a time: each slideshow hands its builds in through a
// lane of its own, and the lanes take turns, first come first served, so a
// build waits while another lane's runs. A build may never return (a codec
// stuck on a damaged file, a read from an unreachable folder): its lane's
// Abandon sets its builder aside, never freed, since its thread may still
// write into it, and the next build goes to a builder that is idle again or
// to a new one. These builds finish at once without a picture: a photo whose
// build was abandoned before (a file that hangs every time costs one builder,
// not one every 30 seconds); any build once kMostSlideBuilders are stuck (a
// folder where every read hangs costs that many threads and canvases); and an
// overlay while an overlay build is stuck, since overlays share images that
// no two threads may draw at once. A build never runs on the main thread: a
// builder whose thread cannot be started leaves the job waiting, and the
// start is tried again at the lane's next Start or Collect. Main thread only;
// each hand-over carries its own thread's side.
class SlideBuilders {
 public:
  // Starts a thread that runs hand_over.RunOne() for ever; false when none
  // could be started.
  using StartThread = bool (*)(SlideBuildHandOver& hand_over);

  SlideBuilders(SlideBuildWork work, StartThread start_thread, SlideBuildClock clock);
  SlideBuilders(const SlideBuilders&) = delete;
  SlideBuilders& operator=(const SlideBuilders&) = delete;

  // A builder, an abandoned one included, is inside a build.
  bool Busy();

 private:
  friend class SlideBuildLane;
  struct Builder {
    std::unique_ptr<SlideBuildHandOver> hand_over;
    bool has_thread = false;
    bool overlay = false;  // its last build was not a photo
  };

  Builder* IdleBuilder();
  bool OverlayStuck();
  // While no build runs that is neither collected nor abandoned, hands the
  // waiting lanes' jobs out in turn.
  void Dispatch();
  // False when the lane's job must go on waiting: no builder thread could be
  // started for it.
  bool Begin(SlideBuildLane& lane);

  const SlideBuildWork work_;
  const StartThread start_thread_;
  const SlideBuildClock clock_;
  std::vector<Builder> builders_;  // never shrinks: a stuck thread may come back
  std::deque<SlideBuildLane*> waiting_;
  SlideBuildLane* running_ = nullptr;  // the lane whose build is neither collected nor abandoned
  std::set<std::wstring> abandoned_paths_;
};

// One slideshow's way to the shared builders: one build at a time.
class SlideBuildLane {
 public:
  explicit SlideBuildLane(SlideBuilders& builders) : builders_(builders) {}
  ~SlideBuildLane();
  SlideBuildLane(const SlideBuildLane&) = delete;
  SlideBuildLane& operator=(const SlideBuildLane&) = delete;

  // Hands the job in, to be built once the other lanes' builds before it are
  // done; false (nothing started) while this lane's last build is neither
  // collected nor abandoned.
  [[nodiscard]] bool Start(SlideJob job);
  // Never waits: once the build is done, hands it to `use` and returns true.
  [[nodiscard]] bool Collect(const SlideBuildUse& use);
  // When a builder took the build started last (the show clock); empty while
  // it waits its turn, or for a thread, and once it is collected.
  std::optional<uint32_t> RunningSince();
  // Gives up on the build started last, waiting or running, which the next
  // Start does not wait for. `ran_whole_limit`: it ran for the whole build
  // limit, and its photo is not tried again in this run; a build given up for
  // any other reason does not condemn its photo.
  void Abandon(bool ran_whole_limit);

 private:
  friend class SlideBuilders;
  enum class Last { Collected, Waiting, Building, NoPicture };

  SlideBuilders& builders_;
  Last last_ = Last::Collected;
  SlideJob job_;                            // while Last::Waiting
  SlideBuildHandOver* building_ = nullptr;  // while Last::Building
  std::wstring building_path_;  // the photo of the last build, empty for an overlay
};
