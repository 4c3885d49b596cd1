#include "slideshow/slide_builder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
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
  SlideBuildHandOver builds(GatedWork);
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

}  // namespace
