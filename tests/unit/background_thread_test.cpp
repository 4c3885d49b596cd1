// The running flag of a tracked thread: set before the thread can run,
// cleared as its last step, and left 0 when no thread could be made.
#include "base/background_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <thread>

namespace {

void WaitUntilCleared(const std::atomic<uint32_t>& running) {
  while (running != 0) std::this_thread::yield();
}

TEST(TrackedThread, RunsOneAtATimeWithTheFlagSetWhileItRuns) {
  std::atomic<uint32_t> running{0};
  std::mutex lock;
  std::promise<void> release;
  std::atomic<uint32_t> seen{0};
  ASSERT_TRUE(StartTrackedThread(
      [&seen, &running, done = release.get_future().share()] {
        seen = running.load();
        done.wait();
      },
      running, lock));
  EXPECT_NE(running.load(), 0u);
  std::atomic<bool> second_ran{false};
  EXPECT_FALSE(StartTrackedThread([&second_ran] { second_ran = true; }, running, lock));
  release.set_value();
  WaitUntilCleared(running);
  EXPECT_NE(seen.load(), 0u);
  EXPECT_FALSE(second_ran.load());
  // Once it has ended, the next start runs.
  std::atomic<bool> third_ran{false};
  ASSERT_TRUE(StartTrackedThread([&third_ran] { third_ran = true; }, running, lock));
  WaitUntilCleared(running);
  EXPECT_TRUE(third_ran.load());
}

// A thread that ends before its start returns must not leave the flag set:
// that would block every later start.
TEST(TrackedThread, AThreadThatEndsAtOnceLeavesNoFlagBehind) {
  std::atomic<uint32_t> running{0};
  std::mutex lock;
  uint32_t seen = 0;
  const ThreadStart run_at_once = [](std::function<void()> body) {
    body();
    return true;
  };
  ASSERT_TRUE(StartTrackedThread([&] { seen = running; }, running, lock, run_at_once));
  EXPECT_NE(seen, 0u);
  EXPECT_EQ(running.load(), 0u);
}

TEST(TrackedThread, AFailedStartRunsNothingAndLeavesNoFlag) {
  std::atomic<uint32_t> running{0};
  std::mutex lock;
  bool ran = false;
  const ThreadStart no_thread = [](std::function<void()>) { return false; };
  EXPECT_FALSE(StartTrackedThread([&ran] { ran = true; }, running, lock, no_thread));
  EXPECT_FALSE(ran);
  EXPECT_EQ(running.load(), 0u);
}

}  // namespace
