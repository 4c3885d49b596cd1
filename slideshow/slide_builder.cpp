#include "slideshow/slide_builder.h"

#include <algorithm>
#include <utility>

SlideBuildHandOver::SlideBuildHandOver(SlideBuildWork work, SlideBuildClock clock)
    : canvas_(kCanvasTexels), work_(work), clock_(clock) {}

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

bool SlideBuildHandOver::Collect(const SlideBuildUse& use) {
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

std::optional<uint32_t> SlideBuildHandOver::TakenAt() {
  const std::lock_guard hold(lock_);
  if (stage_ == Stage::Running || stage_ == Stage::Done) return taken_at_;
  return std::nullopt;
}

void SlideBuildHandOver::RunOne() {
  SlideJob job;
  {
    std::unique_lock hold(lock_);
    queued_.wait(hold, [this] { return stage_ == Stage::Queued; });
    job = std::move(job_);
    taken_at_ = clock_();
    stage_ = Stage::Running;
  }
  const std::size_t texels = CanvasTexelCount(std::max(job.side, kTextureSize));
  if (canvas_.size() < texels) canvas_.resize(texels);
  const PhotoFit fit = work_(job, canvas_.data());
  const std::lock_guard hold(lock_);
  fit_ = fit;
  stage_ = Stage::Done;
}

SlideBuilders::SlideBuilders(SlideBuildWork work, StartThread start_thread, SlideBuildClock clock)
    : work_(work), start_thread_(start_thread), clock_(clock) {}

SlideBuilders::Builder* SlideBuilders::IdleBuilder() {
  for (Builder& b : builders_) {
    if (b.hand_over->Busy()) continue;
    // An abandoned build that came back: its result is no longer wanted, and
    // a builder with none to collect is just as idle.
    static_cast<void>(b.hand_over->Collect([](const uint32_t*, const PhotoFit&) {}));
    return &b;
  }
  if (static_cast<int>(builders_.size()) >= kMostSlideBuilders) return nullptr;
  builders_.push_back(Builder{std::make_unique<SlideBuildHandOver>(work_, clock_), false});
  return &builders_.back();
}

bool SlideBuilders::OverlayStuck() {
  for (Builder& b : builders_)
    if (b.overlay && b.hand_over->Busy()) return true;
  return false;
}

bool SlideBuilders::Begin(SlideBuildLane& lane) {
  const bool overlay = lane.job_.kind != SlideKind::Photo;
  const std::wstring path = overlay ? std::wstring() : lane.job_.path;
  // Any builder busy now was abandoned: no other build runs.
  const bool may_build = overlay ? !OverlayStuck() : path.empty() || abandoned_paths_.count(path) == 0;
  Builder* b = may_build ? IdleBuilder() : nullptr;
  if (b == nullptr) {
    lane.last_ = SlideBuildLane::Last::NoPicture;
    return true;
  }
  if (!b->has_thread) b->has_thread = start_thread_(*b->hand_over);
  if (!b->has_thread) return false;
  b->overlay = overlay;
  // An idle builder has nothing left to collect, so it always takes the job.
  static_cast<void>(b->hand_over->Start(std::move(lane.job_)));
  lane.building_ = b->hand_over.get();
  lane.building_path_ = path;
  lane.last_ = SlideBuildLane::Last::Building;
  running_ = &lane;
  return true;
}

void SlideBuilders::Dispatch() {
  while (running_ == nullptr && !waiting_.empty()) {
    if (!Begin(*waiting_.front())) return;
    waiting_.pop_front();
  }
}

bool SlideBuilders::Busy() {
  for (Builder& b : builders_)
    if (b.hand_over->Busy()) return true;
  return false;
}

// A slideshow goes when its monitor does, or at the end: the next lane's
// waiting build starts, while this lane's own, if it still runs, finishes on
// its builder unseen, like an abandoned one, without barring its photo.
SlideBuildLane::~SlideBuildLane() {
  std::erase(builders_.waiting_, this);
  if (builders_.running_ != this) return;
  builders_.running_ = nullptr;
  builders_.Dispatch();
}

bool SlideBuildLane::Start(SlideJob job) {
  if (last_ != Last::Collected) return false;
  job_ = std::move(job);
  last_ = Last::Waiting;
  builders_.waiting_.push_back(this);
  builders_.Dispatch();
  return true;
}

bool SlideBuildLane::Collect(const SlideBuildUse& use) {
  if (last_ == Last::Waiting) builders_.Dispatch();  // a builder thread may start now
  switch (last_) {
    case Last::Collected:
    case Last::Waiting:
      return false;
    case Last::NoPicture:
      use(nullptr, PhotoFit{});
      break;
    case Last::Building:
      if (!building_->Collect(use)) return false;
      builders_.running_ = nullptr;
      break;
  }
  last_ = Last::Collected;
  builders_.Dispatch();
  return true;
}

std::optional<uint32_t> SlideBuildLane::RunningSince() {
  if (last_ != Last::Building) return std::nullopt;
  return building_->TakenAt();
}

void SlideBuildLane::Abandon(bool ran_whole_limit) {
  if (last_ == Last::Waiting) std::erase(builders_.waiting_, this);
  if (last_ == Last::Building && ran_whole_limit && !building_path_.empty())
    builders_.abandoned_paths_.insert(building_path_);
  if (builders_.running_ == this) builders_.running_ = nullptr;
  last_ = Last::Collected;
  builders_.Dispatch();
}
