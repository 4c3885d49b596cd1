#include "slideshow/slide_builder.h"

#include <utility>

SlideBuildHandOver::SlideBuildHandOver(SlideBuildWork work) : canvas_(kCanvasTexels), work_(work) {}

bool SlideBuildHandOver::Start(SlideJob job) {
  {
    const std::lock_guard hold(lock_);
    if (stage_ != Stage::Idle) return false;
    job_ = std::move(job);
    stage_ = Stage::Queued;
  }
  queued_.notify_one();
  return true;
}

bool SlideBuildHandOver::Collect(const std::function<void(const uint32_t* canvas, const PhotoFit& fit)>& use) {
  PhotoFit fit;
  {
    const std::lock_guard hold(lock_);
    if (stage_ != Stage::Done) return false;
    fit = fit_;
  }
  // Done: the builder thread keeps off the canvas until the next Start.
  use(canvas_.data(), fit);
  const std::lock_guard hold(lock_);
  stage_ = Stage::Idle;
  return true;
}

bool SlideBuildHandOver::Busy() {
  const std::lock_guard hold(lock_);
  return stage_ == Stage::Queued || stage_ == Stage::Running;
}

void SlideBuildHandOver::RunOne() {
  SlideJob job;
  {
    std::unique_lock hold(lock_);
    queued_.wait(hold, [this] { return stage_ == Stage::Queued; });
    job = std::move(job_);
    stage_ = Stage::Running;
  }
  const PhotoFit fit = work_(job, canvas_.data());
  const std::lock_guard hold(lock_);
  fit_ = fit;
  stage_ = Stage::Done;
}
