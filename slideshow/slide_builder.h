// The hand-over between the main thread and the slide builder thread, which
// decodes and fits photos and draws the weather and notice slides, one at a
// time, so the main thread never waits for a build: the main thread hands a
// job in and later takes the finished canvas out to upload it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "slideshow/photo_fit.h"
#include "slideshow/slide_sequencer.h"
#include "weather/weather_document.h"

// One slide to build. The job carries everything the builder may not read
// from shared state: a photo's path (empty: an empty slot) and, for the
// weather slides, the report as the main thread saw it when it chose them.
struct SlideJob {
  SlideKind kind = SlideKind::Photo;
  std::wstring path;
  WeatherReport weather;
};

// Builds `job` onto `canvas`, kCanvasTexels texels, and returns the slot's
// size with where the picture lies; a photo that cannot be decoded leaves an
// all-black canvas and an empty fit.
using SlideBuildWork = PhotoFit (*)(const SlideJob& job, uint32_t* canvas);

class SlideBuildHandOver {
 public:
  explicit SlideBuildHandOver(SlideBuildWork work);
  SlideBuildHandOver(const SlideBuildHandOver&) = delete;
  SlideBuildHandOver& operator=(const SlideBuildHandOver&) = delete;

  // Main thread. Queues a build; false (nothing queued) unless the last one
  // has been collected.
  bool Start(SlideJob job);
  // Main thread, never waits. When the build is done, hands its canvas and fit
  // to `use` (the upload) and makes room for the next; false while it runs or
  // when none was started.
  bool Collect(const std::function<void(const uint32_t* canvas, const PhotoFit& fit)>& use);
  // A build is queued or running: the builder thread may be using GDI+.
  bool Busy();

  // Builder thread: waits for a queued build and runs it.
  void RunOne();

 private:
  enum class Stage { Idle, Queued, Running, Done };

  // Under `lock_`: `stage_`, `job_` and `fit_`. The main thread moves Idle
  // -> Queued (writing the job) and Done -> Idle; the builder thread moves
  // Queued -> Running (taking the job) and Running -> Done (writing the fit).
  // `canvas_` belongs to the builder thread from Queued to Done and to the
  // main thread from Done to Idle, so it is never used by both and needs no
  // lock. It is allocated once, for the life of the hand-over: a canvas
  // allocated for each build costs its page faults every time and lowers no
  // peak.
  std::mutex lock_;
  std::condition_variable queued_;
  Stage stage_ = Stage::Idle;
  SlideJob job_;
  PhotoFit fit_;
  std::vector<uint32_t> canvas_;
  const SlideBuildWork work_;
};
