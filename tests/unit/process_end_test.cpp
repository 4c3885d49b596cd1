// Background threads are never waited for: what they reach must outlive the
// static destructors that run while the process ends.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "base/data_folder.h"
#include "base/run_state.h"
#include "slideshow/photo_list.h"
#include "weather/weather_cache.h"

namespace {

#if defined(__SANITIZE_THREAD__)
constexpr bool kThreadSanitizer = true;
#elif defined(__has_feature)
constexpr bool kThreadSanitizer = __has_feature(thread_sanitizer);
#else
constexpr bool kThreadSanitizer = false;
#endif

// The address sanitizer sees a thread touching what exit already freed.
TEST(ProcessEnd, ARunningBackgroundThreadFindsEverythingItReaches) {
  if (kThreadSanitizer) GTEST_SKIP() << "a process ending under running threads is what this test does";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        SetDataFolder(L"C:\\data");
        std::thread([] {
          for (int i = 0;; ++i) {
            const PhotoRecord record = MakePhotoRecord(L"x.jpg", i);
            {
              const std::lock_guard hold(PhotoListLock());
              if (i < 1000) AppendPhoto(record);
            }
            PhotoPathAt(0);
            PublishWeatherReport(CurrentWeatherReport());
          }
        }).detach();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::exit(0);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
