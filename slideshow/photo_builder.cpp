#include "slideshow/photo_builder.h"

PhotoBuildHandOver::PhotoBuildHandOver(PhotoBuildWork work) : canvas_(kCanvasTexels), work_(work) {}

bool PhotoBuildHandOver::Start(const std::wstring& path) {
  {
    const std::lock_guard hold(lock_);
    if (stage_ != Stage::Idle) return false;
    path_ = path;
    stage_ = Stage::Queued;
  }
  queued_.notify_one();
  return true;
}

bool PhotoBuildHandOver::Collect(const std::function<void(const uint32_t* canvas, const PhotoFit& fit)>& use) {
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

bool PhotoBuildHandOver::Busy() {
  const std::lock_guard hold(lock_);
  return stage_ == Stage::Queued || stage_ == Stage::Running;
}

void PhotoBuildHandOver::RunOne() {
  std::wstring path;
  {
    std::unique_lock hold(lock_);
    queued_.wait(hold, [this] { return stage_ == Stage::Queued; });
    path = path_;
    stage_ = Stage::Running;
  }
  const PhotoFit fit = work_(path, canvas_.data());
  const std::lock_guard hold(lock_);
  fit_ = fit;
  stage_ = Stage::Done;
}
