// The hand-over between the main thread and the photo builder thread, which
// decodes and fits one photo at a time so the main thread never waits for a
// build: the main thread hands a path in and later takes the fitted canvas
// out to upload it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "slideshow/photo_fit.h"

// Decodes the photo at `path` (may be empty) onto `canvas`, kCanvasTexels
// texels, and returns where it lies; a photo that cannot be decoded leaves
// an all-black canvas and an empty fit.
using PhotoBuildWork = PhotoFit (*)(const std::wstring& path, uint32_t* canvas);

class PhotoBuildHandOver {
 public:
  explicit PhotoBuildHandOver(PhotoBuildWork work);
  PhotoBuildHandOver(const PhotoBuildHandOver&) = delete;
  PhotoBuildHandOver& operator=(const PhotoBuildHandOver&) = delete;

  // Main thread. Queues a build; false (nothing queued) unless the last one
  // has been collected.
  bool Start(const std::wstring& path);
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

  // Under `lock_`: `stage_`, `path_` and `fit_`. The main thread moves Idle
  // -> Queued (writing the path) and Done -> Idle; the builder thread moves
  // Queued -> Running and Running -> Done (writing the fit). `canvas_`
  // belongs to the builder thread from Queued to Done and to the main thread
  // from Done to Idle, so it is never used by both and needs no lock. It is
  // allocated once, for the life of the hand-over: a canvas allocated for
  // each build costs its page faults every time and lowers no peak.
  std::mutex lock_;
  std::condition_variable queued_;
  Stage stage_ = Stage::Idle;
  std::wstring path_;
  PhotoFit fit_;
  std::vector<uint32_t> canvas_;
  const PhotoBuildWork work_;
};
