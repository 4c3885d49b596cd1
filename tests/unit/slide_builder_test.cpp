#include "slideshow/slide_builder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace {

// The builds wait at a gate the test opens, so "still running" is a state
// the test holds rather than a race it hopes to win.
struct Gate {
  std::mutex lock;
  std::condition_variable opened;
  int open_for = 0;  // builds allowed through
};
Gate gate;

// Marks the canvas with the path's length and first letter, the fit with the kind.
PhotoFit GatedWork(const SlideJob& job, uint32_t* canvas) {
  const std::wstring& path = job.path;
  {
    std::unique_lock hold(gate.lock);
    gate.opened.wait(hold, [] { return gate.open_for > 0; });
    --gate.open_for;
  }
  canvas[0] = static_cast<uint32_t>(path.size());
  canvas[kCanvasTexels - 1] = path.empty() ? 0 : static_cast<uint32_t>(path[0]);
  PhotoFit fit;
  fit.w = static_cast<int>(job.kind);
  return fit;
}

// The show clock as the builders read it when they take a build.
std::atomic<uint32_t> test_clock{0};
uint32_t TestClock() { return test_clock; }

void Open() {
  {
    const std::lock_guard hold(gate.lock);
    ++gate.open_for;
  }
  gate.opened.notify_all();
}

// Collects, waiting for the builder thread; the bound only keeps a lost
// build from hanging the test.
bool CollectSoon(SlideBuildHandOver& builds, uint32_t& first, uint32_t& last, int& kind) {
  for (int tries = 0; tries < 10'000; ++tries) {
    if (builds.Collect([&](const uint32_t* canvas, const PhotoFit& fit) {
          first = canvas[0];
          last = canvas[kCanvasTexels - 1];
          kind = fit.w;
        }))
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

TEST(SlideBuildHandOver, OneBuildAtATimeFromStartToCollect) {
  SlideBuildHandOver builds(GatedWork, TestClock);
  std::thread builder([&] {
    builds.RunOne();
    builds.RunOne();
  });

  EXPECT_FALSE(builds.Busy());
  EXPECT_FALSE(builds.Collect([](const uint32_t*, const PhotoFit&) { ADD_FAILURE() << "nothing was started"; }));
  ASSERT_TRUE(builds.Start({SlideKind::Photo, L"alpha", {}}));
  EXPECT_TRUE(builds.Busy());
  EXPECT_FALSE(builds.Start({SlideKind::Photo, L"beta", {}})) << "a second build over a running one";
  EXPECT_FALSE(builds.Collect([](const uint32_t*, const PhotoFit&) { ADD_FAILURE() << "collected while running"; }));

  Open();
  uint32_t first = 0, last = 0;
  int kind = -1;
  ASSERT_TRUE(CollectSoon(builds, first, last, kind));
  EXPECT_EQ(first, 5u);
  EXPECT_EQ(last, static_cast<uint32_t>(L'a'));
  EXPECT_EQ(kind, static_cast<int>(SlideKind::Photo));
  EXPECT_FALSE(builds.Busy());
  EXPECT_FALSE(builds.Collect([](const uint32_t*, const PhotoFit&) { ADD_FAILURE() << "collected twice"; }));

  // The next build reuses the canvas the main thread has just read.
  ASSERT_TRUE(builds.Start({SlideKind::Notice, L"go", {}}));
  Open();
  ASSERT_TRUE(CollectSoon(builds, first, last, kind));
  EXPECT_EQ(first, 2u);
  EXPECT_EQ(last, static_cast<uint32_t>(L'g'));
  EXPECT_EQ(kind, static_cast<int>(SlideKind::Notice));
  builder.join();
}

// Builds of paths that begin with "hang" block until the test releases
// them all; the others mark the canvas like GatedWork and return at once.
struct Hangs {
  std::mutex lock;
  std::condition_variable changed;
  int inside = 0;
  bool released = false;
};
Hangs hangs;

PhotoFit HangingWork(const SlideJob& job, uint32_t* canvas) {
  if (job.path.starts_with(L"hang")) {
    std::unique_lock hold(hangs.lock);
    ++hangs.inside;
    hangs.changed.notify_all();
    hangs.changed.wait(hold, [] { return hangs.released; });
    --hangs.inside;
  }
  canvas[0] = static_cast<uint32_t>(job.path.size());
  canvas[kCanvasTexels - 1] = job.path.empty() ? 0 : static_cast<uint32_t>(job.path[0]);
  return PhotoFit{};
}

void AwaitStuck(int count) {
  std::unique_lock hold(hangs.lock);
  ASSERT_TRUE(hangs.changed.wait_for(hold, std::chrono::seconds(10), [&] { return hangs.inside == count; }));
}

// Like the show's builder threads: never joined, so the builders they serve
// live to the end of the process.
std::atomic<int> threads_started = 0;
bool StartDetachedThread(SlideBuildHandOver& hand_over) {
  std::thread([&hand_over] {
    for (;;) hand_over.RunOne();
  }).detach();
  ++threads_started;
  return true;
}

// What the next collect hands over: the canvas's first texel, or -1 for none.
int64_t CollectNow(SlideBuildLane& builds) {
  int64_t first = -1;
  const bool done = builds.Collect(
      [&](const uint32_t* canvas, const PhotoFit&) { first = canvas != nullptr ? int64_t{canvas[0]} : -1; });
  if (!done) return -2;
  return first;
}

int64_t CollectSoon(SlideBuildLane& builds) {
  for (int tries = 0; tries < 10'000; ++tries) {
    const int64_t first = CollectNow(builds);
    if (first != -2) return first;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return -2;
}

TEST(SlideBuilders, AbandonedBuildsLeaveTheirBuilderStuckAndTheShowGoesOn) {
  static SlideBuilders& shared = *new SlideBuilders(HangingWork, StartDetachedThread, TestClock);
  static SlideBuildLane& builds = *new SlideBuildLane(shared);
  ASSERT_TRUE(builds.Start({SlideKind::Photo, L"hang-a", {}}));
  AwaitStuck(1);
  EXPECT_EQ(CollectNow(builds), -2);
  builds.Abandon(true);
  // The next build runs on a fresh builder while the first is still stuck.
  ASSERT_TRUE(builds.Start({SlideKind::Photo, L"bb", {}}));
  EXPECT_EQ(CollectSoon(builds), 2);
  EXPECT_EQ(threads_started, 2);
  EXPECT_TRUE(shared.Busy()) << "the stuck builder may be inside GDI+";

  // The photo that hung is not tried again: it finishes at once, without a picture.
  ASSERT_TRUE(builds.Start({SlideKind::Photo, L"hang-a", {}}));
  EXPECT_EQ(CollectNow(builds), -1);

  // The idle builder takes a hanging overlay; no overlay is built beside it,
  // but photos are, on a new builder.
  ASSERT_TRUE(builds.Start({SlideKind::Notice, L"hang-n", {}}));
  AwaitStuck(2);
  builds.Abandon(true);
  ASSERT_TRUE(builds.Start({SlideKind::CurrentWeather, L"w", {}}));
  EXPECT_EQ(CollectNow(builds), -1);
  ASSERT_TRUE(builds.Start({SlideKind::Photo, L"ppp", {}}));
  EXPECT_EQ(CollectSoon(builds), 3);

  // Hangs up to the limit of builders; then no further thread, no picture.
  int stuck = 2;
  for (const wchar_t* path : {L"hang-c", L"hang-d"}) {
    ASSERT_TRUE(builds.Start({SlideKind::Photo, path, {}}));
    EXPECT_FALSE(builds.Start({SlideKind::Photo, L"x", {}})) << "a second build over a running one";
    AwaitStuck(++stuck);
    builds.Abandon(true);
  }
  EXPECT_EQ(threads_started, kMostSlideBuilders);
  ASSERT_TRUE(builds.Start({SlideKind::Photo, L"x", {}}));
  EXPECT_EQ(CollectNow(builds), -1);
  EXPECT_EQ(threads_started, kMostSlideBuilders);

  {
    const std::lock_guard hold(hangs.lock);
    hangs.released = true;
  }
  hangs.changed.notify_all();
  for (int tries = 0; tries < 10'000 && shared.Busy(); ++tries) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_FALSE(shared.Busy());
  // The builders that came back take builds again, overlays too; their late
  // results are dropped.
  ASSERT_TRUE(builds.Start({SlideKind::Photo, L"gggg", {}}));
  EXPECT_EQ(CollectSoon(builds), 4);
  ASSERT_TRUE(builds.Start({SlideKind::Forecast, L"fffff", {}}));
  EXPECT_EQ(CollectSoon(builds), 5);
  EXPECT_EQ(threads_started, kMostSlideBuilders);
}

// Two slideshows share one builder thread: a build waits while the other
// lane's runs and goes next once that one is collected, and a lane that gives
// up a waiting build never has it built.
TEST(SlideBuilders, LanesTakeTurnsOnOneBuilder) {
  static SlideBuilders& shared = *new SlideBuilders(GatedWork, StartDetachedThread, TestClock);
  static SlideBuildLane& a = *new SlideBuildLane(shared);
  static SlideBuildLane& b = *new SlideBuildLane(shared);
  static SlideBuildLane& c = *new SlideBuildLane(shared);
  const int threads_before = threads_started;
  ASSERT_TRUE(a.Start({SlideKind::Photo, L"aaaaaa", {}}));
  ASSERT_TRUE(b.Start({SlideKind::Photo, L"bb", {}}));
  ASSERT_TRUE(c.Start({SlideKind::Photo, L"cccc", {}}));
  EXPECT_FALSE(b.Start({SlideKind::Photo, L"x", {}})) << "a second build in a lane";
  c.Abandon(false);
  Open();
  EXPECT_EQ(CollectSoon(a), 6);
  Open();  // one build more: b's, not the abandoned one of c
  EXPECT_EQ(CollectSoon(b), 2);
  ASSERT_TRUE(c.Start({SlideKind::Photo, L"ccc", {}}));
  Open();
  EXPECT_EQ(CollectSoon(c), 3);
  EXPECT_EQ(threads_started - threads_before, 1);
}

// Builder threads start only while `threads_allowed`; every build records
// whether it ran on the test's own thread.
std::atomic<bool> threads_allowed{false};
std::atomic<bool> built_on_caller{false};
std::thread::id caller;
bool StartThreadWhenAllowed(SlideBuildHandOver& hand_over) {
  return threads_allowed && StartDetachedThread(hand_over);
}
PhotoFit RecordingWork(const SlideJob& job, uint32_t* canvas) {
  if (std::this_thread::get_id() == caller) built_on_caller = true;
  return GatedWork(job, canvas);
}

std::optional<uint32_t> TakenSoon(SlideBuildLane& builds) {
  for (int tries = 0; tries < 10'000 && !builds.RunningSince(); ++tries)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return builds.RunningSince();
}

// A build never runs on the caller's thread: without a builder thread it
// waits, and the thread is tried again. Its limit counts from when a builder
// takes it, not from its wait behind another lane's build; and only a build
// that ran the whole limit condemns its photo.
TEST(SlideBuilders, ABuildIsTimedFromItsTakingAndNeverRunsOnTheCaller) {
  static SlideBuilders& shared = *new SlideBuilders(RecordingWork, StartThreadWhenAllowed, TestClock);
  static SlideBuildLane& a = *new SlideBuildLane(shared);
  static SlideBuildLane& b = *new SlideBuildLane(shared);
  caller = std::this_thread::get_id();
  Open();  // a build that ran here would pass the gate instead of hanging the test
  ASSERT_TRUE(a.Start({SlideKind::Photo, L"aaa", {}}));
  EXPECT_EQ(CollectNow(a), -2);
  EXPECT_EQ(a.RunningSince(), std::nullopt) << "no thread, no build";
  threads_allowed = true;
  EXPECT_EQ(CollectSoon(a), 3);  // the next collect starts the thread

  test_clock = 3000;
  ASSERT_TRUE(a.Start({SlideKind::Photo, L"stuck", {}}));
  EXPECT_EQ(TakenSoon(a), 3000u);
  ASSERT_TRUE(b.Start({SlideKind::Photo, L"bb", {}}));
  test_clock = 60'000;
  EXPECT_EQ(b.RunningSince(), std::nullopt) << "waiting behind a is not building";
  a.Abandon(true);
  EXPECT_EQ(TakenSoon(b), 60'000u);
  Open();
  Open();
  EXPECT_EQ(CollectSoon(b), 2);
  ASSERT_TRUE(a.Start({SlideKind::Photo, L"stuck", {}}));
  EXPECT_EQ(CollectNow(a), -1) << "a photo that ran the whole limit is not tried again";

  ASSERT_TRUE(b.Start({SlideKind::Photo, L"cccc", {}}));
  b.Abandon(false);
  ASSERT_TRUE(b.Start({SlideKind::Photo, L"cccc", {}}));
  Open();
  Open();
  EXPECT_EQ(CollectSoon(b), 4) << "given up early, the photo is built again";
  EXPECT_FALSE(built_on_caller);
}

}  // namespace
