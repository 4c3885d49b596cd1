#include "slideshow/slide_sequencer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "settings/settings.h"

namespace {

constexpr int64_t kSecond = 10'000'000;                // 100 ns units
constexpr int64_t kNow = 13'400'000'000 * kSecond;     // some day in the 2020s
constexpr uint32_t kFrameMs = 20;

// Records what the sequencer asks of the platform. Photos are named "pN";
// each build is logged as "pN@slot" or "weather@slot" and so on when it
// starts. A build is uploaded on the build_polls + 1st FinishSlideBuild; the
// build of a photo in `hanging` never finishes.
class FakePlatform : public SlidePlatform {
 public:
  const SlideSequencer* seq = nullptr;  // whose building_slot names the slot of a build
  std::vector<std::wstring> photos;
  std::vector<std::string> builds;
  int build_polls = 0;
  int building_slot = -1;  // the photo build not yet uploaded
  int polls_left = 0;
  int build_faults = 0;  // a build started over a running one, or finished into the wrong slot
  std::set<std::string> hanging;
  std::set<std::string> refused;  // builds StartSlideBuild refuses; they never finish
  uint32_t queue_ms = 0;  // each build waits this long before a builder takes it
  // "pN@slot after MS", MS since the build was started, and " early" when
  // the build was given up before it ran the whole limit.
  std::vector<std::string> abandoned;
  std::string on_slot[2];  // what each slot's texture holds, "" for no picture
  int uploads = 0;
  std::string last_upload;  // the slide on screen once a build is taken out of it
  std::vector<std::wstring> deleted_files;
  int on_screen_deletes = 0;  // deletes of the photo uploaded last
  std::set<uint32_t> live_textures;
  uint32_t next_texture = 1;
  int texture_faults = 0;  // deletes of names that were not live
  int refresh_starts = 0;
  std::vector<uint32_t> refresh_start_ticks;
  int weather_refreshes = 0;
  int scans = 0;
  bool show_weather = false;
  bool weather_ready = true;
  bool notice_wanted = false;
  int64_t gallery_refresh_seconds = 86400;
  int32_t slide_hold_ms = 10000;
  int64_t last_refresh_time = kNow;
  bool new_photos = false;
  uint32_t tick = 0;  // the fake clock, for logging

  void AddPhotos(int count) {
    for (int i = 0; i < count; ++i) photos.push_back(L"p" + std::to_wstring(photos.size()));
  }

  void GenTextures(int count, uint32_t* names) override {
    for (int i = 0; i < count; ++i) {
      names[i] = next_texture++;
      live_textures.insert(names[i]);
    }
  }
  void DeleteTextures(int count, const uint32_t* names) override {
    for (int i = 0; i < count; ++i)
      if (live_textures.erase(names[i]) == 0) ++texture_faults;
  }
  int32_t PhotoCount() override { return static_cast<int32_t>(photos.size()); }
  std::wstring PhotoPath(int32_t index) override {
    if (index < 0 || index >= PhotoCount()) return {};
    return photos[static_cast<std::size_t>(index)];
  }
  bool StartSlideBuild(SlideKind kind, const std::wstring& path) override {
    if (building_slot >= 0) ++build_faults;
    const int slot = seq->building_slot;
    static const char* const kNames[] = {"", "weather", "forecast", "notice"};
    pending = kind == SlideKind::Photo ? std::string(path.begin(), path.end()) : kNames[static_cast<int>(kind)];
    builds.push_back(pending + "@" + std::to_string(slot));
    building_slot = slot;
    polls_left = build_polls;
    build_started = tick;
    return refused.count(pending) == 0;
  }
  std::optional<SlideSize> FinishSlideBuild(uint32_t texture) override {
    const int slot = building_slot;
    if (slot < 0 || texture != seq->slots[slot].texture) ++build_faults;
    if (polls_left-- > 0 || hanging.count(pending) != 0 || refused.count(pending) != 0) return std::nullopt;
    if (live_textures.count(texture) == 0) ++texture_faults;  // filling a deleted name
    on_slot[slot] = pending;
    last_upload = pending;
    ++uploads;
    building_slot = -1;
    return SlideSize{640.0f, 480.0f};
  }
  std::optional<uint32_t> SlideBuildRunningSince() override {
    if (static_cast<int32_t>(tick - build_started) < static_cast<int32_t>(queue_ms)) return std::nullopt;
    return build_started + queue_ms;
  }
  void AbandonSlideBuild(bool ran_whole_limit) override {
    const int slot = building_slot;
    abandoned.push_back(pending + "@" + std::to_string(slot) + " after " + std::to_string(tick - build_started) +
                        (ran_whole_limit ? "" : " early"));
    on_slot[slot].clear();
    building_slot = -1;
  }
  void DeleteOldestPhoto() override {
    if (std::string(photos.front().begin(), photos.front().end()) == last_upload) ++on_screen_deletes;
    deleted_files.push_back(photos.front());
    photos.erase(photos.begin());
  }
  void ScanPhotoFolder() override { ++scans; }
  void StartRefreshThread() override {
    ++refresh_starts;
    refresh_start_ticks.push_back(tick);
  }
  void RefreshWeather() override { ++weather_refreshes; }
  bool ShowWeather() override { return show_weather; }
  bool WeatherReady() override { return weather_ready; }
  bool NoticeWanted() override { return notice_wanted; }
  int64_t GalleryRefreshSeconds() override { return gallery_refresh_seconds; }
  int32_t SlideHoldMs() override { return slide_hold_ms; }
  int64_t LastRefreshTime() override { return last_refresh_time; }
  bool TakeNewPhotosArrived() override { return std::exchange(new_photos, false); }
  bool PhotoInUseElsewhere(const std::wstring& path) override {
    return other != nullptr && (other->slots[0].path == path || other->slots[1].path == path);
  }
  const SlideSequencer* other = nullptr;  // the show on the other monitor, if any

 private:
  std::string pending;
  uint32_t build_started = 0;
};

// The main loop: one step and one frame every 20 ms of the fake clock.
struct Show {
  SlideSequencer seq;
  FakePlatform platform;
  uint32_t tick;
  std::vector<FramePlan> frames;
  std::vector<SlideState> states;  // after each frame's step

  explicit Show(uint32_t start_tick) : tick(start_tick) { platform.seq = &seq; }
  Show(const Show&) = delete;
  Show& operator=(const Show&) = delete;

  void Frame() {
    platform.tick = tick;
    StepSlideshow(seq, platform, tick, kNow);
    states.push_back(seq.state);
    frames.push_back(PlanFrame(seq, platform.new_photos, tick));
    if (!frames.back().unchanged) NoteFrameDrawn(seq, frames.back());
    tick += kFrameMs;
  }
  // Nobody looks for `ms`: no step, no frame.
  void Pause(uint32_t ms) {
    PauseSlideshow(seq, tick);
    tick += ms;
    ResumeSlideshow(seq, tick);
  }
  // Runs frames until `builds` slides have been built in total.
  void RunUntilBuilds(std::size_t builds) {
    for (int guard = 0; platform.builds.size() < builds; ++guard) {
      ASSERT_LT(guard, 1'000'000) << "the show stopped building slides";
      Frame();
    }
  }
  void RunFor(uint32_t ms) {
    for (uint32_t end = tick + ms; tick < end;) Frame();
  }
};

TEST(SlideSequencer, FivePhotosStartAtTheTickAndGoOnInOrder) {
  Show show(12347);
  show.platform.AddPhotos(5);
  show.Frame();
  // Only the first slide is built before anything is shown.
  EXPECT_EQ(show.seq.state, SlideState::BuildingFirst);
  EXPECT_EQ(show.platform.builds, (std::vector<std::string>{"p2@0"}));
  show.Frame();
  EXPECT_EQ(show.seq.state, SlideState::Holding);
  EXPECT_EQ(show.platform.builds, (std::vector<std::string>{"p2@0", "p3@1"}));
  EXPECT_EQ(show.platform.refresh_starts, 1);  // fewer than 20 photos
  EXPECT_EQ(show.platform.weather_refreshes, 1);
  show.RunUntilBuilds(6);
  EXPECT_EQ(show.platform.builds, (std::vector<std::string>{"p2@0", "p3@1", "p4@0", "p0@1", "p1@0", "p2@1"}));
  EXPECT_EQ(show.platform.texture_faults, 0);
  EXPECT_EQ(show.platform.live_textures.size(), 2u);
}

TEST(SlideSequencer, PhotosArrivingWhileWaiting) {
  struct Case {
    int at_start;
    std::vector<int> arrivals;  // photos appended before each further frame
    std::vector<SlideState> states;
    std::vector<std::string> builds;
  };
  const Case cases[] = {
      {0, {0, 1, 0, 1}, {SlideState::WaitingForPhotos, SlideState::WaitingForPhotos, SlideState::BuildingFirst,
                         SlideState::SinglePhoto, SlideState::Holding},
       {"p0@0", "p1@1"}},
      {0, {2, 0}, {SlideState::WaitingForPhotos, SlideState::BuildingFirst, SlideState::Holding}, {"p0@0", "p1@1"}},
      {1, {0, 0, 1}, {SlideState::BuildingFirst, SlideState::SinglePhoto, SlideState::SinglePhoto, SlideState::Holding},
       {"p0@0", "p1@1"}},
      // A second photo that arrives while the first is built joins at once.
      {1, {1}, {SlideState::BuildingFirst, SlideState::Holding}, {"p0@0", "p1@1"}},
  };
  for (const Case& c : cases) {
    Show show(5000);
    show.platform.AddPhotos(c.at_start);
    show.Frame();
    std::vector<SlideState> states{show.seq.state};
    for (int arriving : c.arrivals) {
      show.platform.AddPhotos(arriving);
      show.Frame();
      states.push_back(show.seq.state);
    }
    EXPECT_EQ(states, c.states) << c.at_start << " at start";
    EXPECT_EQ(show.platform.builds, c.builds) << c.at_start << " at start";
    EXPECT_EQ(show.platform.refresh_starts, 1) << c.at_start << " at start";
    EXPECT_EQ(show.seq.photo_index, 1);
  }
}

TEST(SlideSequencer, OnePhotoFadesInAndStaysThenASecondJoins) {
  Show show(777);
  show.platform.AddPhotos(1);
  show.RunFor(60'000);
  EXPECT_EQ(show.seq.state, SlideState::SinglePhoto);
  EXPECT_EQ(show.platform.builds, std::vector<std::string>{"p0@0"});
  // Black while it is built, then it fades in from black over 51 frames and
  // stays fully drawn.
  ASSERT_GT(show.frames.size(), 60u);
  EXPECT_EQ(show.frames[0].count, 0);
  EXPECT_EQ(show.frames[1].count, 1);
  EXPECT_EQ(show.frames[1].draws[0].opacity, 0.0f);
  EXPECT_LT(show.frames[51].draws[0].opacity, 1.0f);
  EXPECT_EQ(show.frames[52].draws[0].opacity, 1.0f);
  EXPECT_EQ(show.frames.back().draws[0].opacity, 1.0f);
  EXPECT_EQ(show.frames.back().draws[0].slot, 0);

  show.platform.AddPhotos(1);
  show.RunUntilBuilds(4);
  EXPECT_EQ(show.platform.builds, (std::vector<std::string>{"p0@0", "p1@1", "p0@0", "p1@1"}));
}

// Which slot is fully on screen after each change, how long it was held and
// how many frames each cross-fade took.
TEST(SlideSequencer, TwoPhotosAlternateWithTenSecondHoldsAndFiftyOneFrameFades) {
  Show show(12347);  // 12347 mod 2 = 1: p1 first
  show.platform.AddPhotos(2);
  std::vector<uint32_t> hold_ms;
  std::vector<int> fade_frames;
  std::vector<std::string> shown;
  SlideState before = show.seq.state;
  uint32_t hold_began = show.tick;
  int fading = 0;
  while (hold_ms.size() < 4) {
    show.Frame();
    const SlideState now = show.seq.state;
    if (now == SlideState::Fading) ++fading;
    if (now == SlideState::Holding && before != SlideState::Holding) {
      hold_began = show.tick;  // the next frame is the first holding frame
      shown.push_back(show.platform.on_slot[show.seq.current_slot] + "@" + std::to_string(show.seq.current_slot));
    }
    if (before == SlideState::Holding && now == SlideState::Fading) hold_ms.push_back(show.tick - kFrameMs - hold_began);
    if (before == SlideState::Fading && now == SlideState::Advancing) {
      fade_frames.push_back(fading);
      fading = 0;
    }
    before = now;
  }
  for (uint32_t ms : hold_ms) {
    EXPECT_GT(ms, 10000u);
    EXPECT_LE(ms, 10000u + 2 * kFrameMs);
  }
  // The step that ends the hold draws the fade's first frame; the step after
  // its last frame moves on to Advancing.
  EXPECT_EQ(fade_frames, (std::vector<int>{51, 51, 51}));
  EXPECT_EQ(shown, (std::vector<std::string>{"p1@0", "p0@1", "p1@0", "p0@1"}));
}

// A fade is bound to the clock: 51 steps of 20 ms whatever the frame rate.
// Its opacities are the running float sums of 0.02 that one frame every 20 ms
// adds up; slower frames take every other step, a late frame skips ahead.
TEST(SlideSequencer, FadeKeepsItsLengthWhateverTheFrameRate) {
  std::vector<float> sums;  // 0, 0.02, 0.04 ... up to the last one not above 1
  for (float v = 0.0f; v <= 1.0f; v += 0.02f) sums.push_back(v);
  ASSERT_EQ(sums.size(), 51u);
  struct Case {
    const char* name;
    std::vector<uint32_t> at;  // the frames' ticks from the fade's first frame
    std::vector<int> steps;    // the sums they draw
  };
  std::vector<uint32_t> every20, every40, late;
  std::vector<int> steps20, steps40, steps_late;
  for (int i = 0; i <= 50; ++i) every20.push_back(20u * i), steps20.push_back(i);
  for (int i = 0; i <= 25; ++i) every40.push_back(40u * i), steps40.push_back(2 * i);
  for (int i = 0; i <= 50; ++i)
    if (i < 5 || i >= 15) late.push_back(20u * i + (i >= 15 ? 7u : 0u)), steps_late.push_back(i);
  const Case cases[] = {
      {"a frame every 20 ms", every20, steps20},
      {"a frame every 40 ms", every40, steps40},
      {"one frame 207 ms late", late, steps_late},
      {"a frame after a stall", {0, 20, 1000}, {0, 1, 50}},
  };
  for (const Case& c : cases) {
    for (const bool cross_fade : {true, false}) {
      SCOPED_TRACE(testing::Message() << c.name << (cross_fade ? ", cross-fade" : ", fade-in"));
      SlideSequencer s;
      FakePlatform platform;
      platform.seq = &s;
      const uint32_t start = 4'294'966'000u;  // the clock wraps during the fade
      s.state = cross_fade ? SlideState::Fading : SlideState::Holding;
      s.fade_in_pending = !cross_fade;
      s.fade_started = true;
      s.fade_start = start;
      s.hold_start = start;
      s.current_slot = 1;
      std::vector<float> drawn;
      for (const uint32_t at : c.at) {
        StepSlideshow(s, platform, start + at, kNow);
        ASSERT_TRUE(cross_fade ? s.state == SlideState::Fading : s.fade_in_pending) << "ended before " << at << " ms";
        const FramePlan plan = PlanFrame(s, false, start + at);
        ASSERT_EQ(plan.count, cross_fade ? 2 : 1);
        if (cross_fade) EXPECT_EQ(plan.draws[0].opacity, 1.0f - plan.draws[1].opacity) << "outgoing at " << at;
        drawn.push_back(plan.draws[plan.count - 1].opacity);
      }
      std::vector<float> expected;
      for (const int step : c.steps) expected.push_back(sums[static_cast<std::size_t>(step)]);
      EXPECT_EQ(drawn, expected);
      StepSlideshow(s, platform, start + 1020, kNow);
      EXPECT_TRUE(cross_fade ? s.state == SlideState::Advancing : !s.fade_in_pending) << "the fade is over";
      const FramePlan after = PlanFrame(s, false, start + 1020);
      ASSERT_EQ(after.count, 1);
      EXPECT_EQ(after.draws[0].slot, cross_fade ? 0 : 1);
      EXPECT_EQ(after.draws[0].opacity, 1.0f);
    }
  }
}

TEST(SlideSequencer, NothingIsDrawnWhileStartingOrWaiting) {
  for (const SlideState state : {SlideState::Starting, SlideState::WaitingForPhotos, SlideState::BuildingFirst}) {
    SlideSequencer s;
    s.state = state;
    EXPECT_EQ(PlanFrame(s, false, 0).count, 0);
  }
}

// Each build first deletes the oldest photo while more than 100 remain and
// photoIndex is above 0 (at 0 the oldest is the photo on screen); the show
// itself must neither skip nor repeat a photo.
TEST(SlideSequencer, CacheShrinksToTheLimitWithoutSkippingPhotos) {
  struct Range {
    int from, to;
  };
  struct Case {
    uint32_t start_tick;        // mod 150 gives the first photo
    std::vector<Range> shown;   // the 120 photos built, in order
  };
  const Case cases[] = {
      {300, {{0, 119}}},
      {449, {{149, 149}, {0, 118}}},  // photoIndex 0 at the first change: nothing deleted then
      {370, {{70, 149}, {50, 89}}},   // after the wrap the oldest left is p50
  };
  for (const Case& c : cases) {
    Show show(c.start_tick);
    show.platform.AddPhotos(150);
    show.RunUntilBuilds(120);
    std::vector<std::string> expected;
    for (const Range& r : c.shown)
      for (int i = r.from; i <= r.to; ++i) expected.push_back("p" + std::to_string(i));
    std::vector<std::string> names;
    for (const std::string& b : show.platform.builds) names.push_back(b.substr(0, b.find('@')));
    EXPECT_EQ(names, expected) << "start tick " << c.start_tick;
    EXPECT_EQ(show.platform.PhotoCount(), 100) << "start tick " << c.start_tick;
    EXPECT_EQ(show.platform.on_screen_deletes, 0) << "start tick " << c.start_tick;
    ASSERT_EQ(show.platform.deleted_files.size(), 50u);
    for (std::size_t i = 0; i < 50; ++i) EXPECT_EQ(show.platform.deleted_files[i], L"p" + std::to_wstring(i));
  }
}

// The oldest photo stays while another monitor's show holds it: deleting it
// would leave that show a file that is gone.
TEST(SlideSequencer, CacheKeepsTheOldestPhotoWhileAnotherShowHoldsIt) {
  Show show(300);
  show.platform.AddPhotos(110);
  SlideSequencer other;
  other.slots[1].path = L"p0";
  show.platform.other = &other;
  show.RunUntilBuilds(20);
  EXPECT_TRUE(show.platform.deleted_files.empty());
  other.slots[1].path.clear();
  show.RunUntilBuilds(30);
  EXPECT_FALSE(show.platform.deleted_files.empty());
  EXPECT_EQ(show.platform.deleted_files.front(), L"p0");
}

// Another monitor's show deleted the oldest photos: this show goes on with
// the photo after its last, skipping none.
TEST(SlideSequencer, AnotherShowsDeleteKeepsThisShowsPlace) {
  Show show(12347);
  show.platform.AddPhotos(10);
  show.RunUntilBuilds(2);
  for (int i = 0; i < 2; ++i) {
    show.platform.photos.erase(show.platform.photos.begin());
    PhotoListShrankAtFront(show.seq);
  }
  show.RunUntilBuilds(5);
  EXPECT_EQ(show.platform.builds, (std::vector<std::string>{"p7@0", "p8@1", "p9@0", "p2@1", "p3@0"}));
}

// A new texture side: both slots' photos are built again into their own
// slots, the one on screen first, and the show goes on from there.
TEST(SlideSequencer, StaleSlidesAreBuiltAgainWhileHeld) {
  Show show(12347);
  show.platform.AddPhotos(5);
  show.RunUntilBuilds(3);
  show.RunFor(2000);  // p3 on screen in slot 1, p4 built into slot 0
  MarkSlidesStale(show.seq);
  show.RunUntilBuilds(6);
  EXPECT_EQ(show.platform.builds, (std::vector<std::string>{"p2@0", "p3@1", "p4@0", "p3@1", "p4@0", "p0@1"}));
  EXPECT_EQ(show.platform.build_faults, 0);
}

TEST(NoticeWanted, OnlyANewerVersionTheUserWantsToHearAbout) {
  struct Case {
    const wchar_t* newver;
    int32_t show_newver;
    bool wanted;
  };
  const Case cases[] = {
      {L"1.1", 1, true}, {L"1.0", 1, false}, {L"", 1, false}, {L"1.1", 0, false}, {L"2.0b", 1, true},
  };
  for (const Case& c : cases) {
    Settings s;
    s.newver.Assign(c.newver);
    s.show_newver = c.show_newver;
    EXPECT_EQ(NoticeWanted(s), c.wanted) << testing::PrintToString(std::wstring(c.newver)) << " " << c.show_newver;
  }
}

// Slides built at change c are faded in at change c + 1.
TEST(SlideSequencer, WeatherAndNoticeEveryTwentiethChange) {
  struct Case {
    bool weather, ready, notice;
    std::vector<std::string> overlays;  // "kind at change"
  };
  const Case cases[] = {
      {true, true, true, {"weather@21", "forecast@22", "notice@23", "weather@41", "forecast@42", "notice@43", "weather@61"}},
      {true, true, false, {"weather@21", "forecast@22", "weather@41", "forecast@42", "weather@61"}},
      {false, true, true, {"notice@21", "notice@41", "notice@61"}},
      {false, true, false, {}},
      // Without a complete report the change shows what it would with the weather off.
      {true, false, true, {"notice@21", "notice@41", "notice@61"}},
      {true, false, false, {}},
  };
  for (const Case& c : cases) {
    Show show(40);
    show.platform.AddPhotos(30);
    show.platform.show_weather = c.weather;
    show.platform.weather_ready = c.ready;
    show.platform.notice_wanted = c.notice;
    show.platform.build_polls = 30;  // overlays take their time off the main thread too
    show.RunUntilBuilds(2 + 60);  // two at the start, then one for each of the changes up to 61
    std::vector<std::string> overlays;
    for (std::size_t i = 2; i < show.platform.builds.size(); ++i) {
      const std::string& b = show.platform.builds[i];
      const int faded_in_at = static_cast<int>(i - 2) + 2;  // built at change i - 1
      if (b[0] != 'p') overlays.push_back(b.substr(0, b.find('@')) + "@" + std::to_string(faded_in_at));
    }
    EXPECT_EQ(overlays, c.overlays) << "weather " << c.weather << " ready " << c.ready << " notice " << c.notice;
    EXPECT_EQ(show.platform.texture_faults, 0);
    EXPECT_EQ(show.platform.build_faults, 0);
  }
}

TEST(SlideSequencer, StartingRefreshesAtOnceBelowTwentyPhotos) {
  for (const auto& [photos, starts] : {std::pair{19, 1}, std::pair{20, 0}}) {
    Show show(100'000);
    show.platform.AddPhotos(photos);
    show.Frame();
    EXPECT_EQ(show.platform.refresh_starts, starts) << photos << " photos";
  }
}

// Without two photos no periodic check runs, so the sequencer itself retries
// the refresh: a first listing that failed must not leave the screen black
// all night. The gaps double from a minute up to half an hour.
TEST(SlideSequencer, FewerThanTwoPhotosRetryTheRefreshUntilTwoArrive) {
  const std::vector<uint32_t> gap_minutes = {1, 2, 4, 8, 16, 30, 30};
  for (const int photos : {0, 1}) {
    SCOPED_TRACE(testing::Message() << photos << " photos");
    Show show(5000);
    show.platform.AddPhotos(photos);
    show.RunFor(92 * 60'000);  // the seventh retry comes after 91 minutes
    const std::vector<uint32_t>& at = show.platform.refresh_start_ticks;
    ASSERT_EQ(at.size(), gap_minutes.size() + 1) << "the one at Starting, then the retries";
    for (std::size_t i = 0; i < gap_minutes.size(); ++i) {
      EXPECT_GT(at[i + 1] - at[i], gap_minutes[i] * 60'000) << "retry " << i + 1;
      EXPECT_LE(at[i + 1] - at[i], gap_minutes[i] * 60'000 + 2 * kFrameMs) << "retry " << i + 1;
    }
    show.platform.AddPhotos(2 - photos);
    show.Frame();
    show.Frame();
    ASSERT_EQ(show.seq.state, SlideState::Holding);
    show.RunFor(60 * 60'000);
    EXPECT_EQ(at.size(), gap_minutes.size() + 1) << "the gallery is fresh: nothing more once two photos are there";
  }
}

// With 20 or more photos nothing starts a refresh at Starting; the first
// periodic check, about five seconds into the first hold, finds the cache old.
TEST(SlideSequencer, PeriodicCheckStartsARefreshWhenTheGalleryIsOverdue) {
  struct Case {
    int64_t last_refresh_time;
    int expected_starts;
  };
  const Case cases[] = {
      {0, 1},
      {kNow - 86401 * kSecond, 1},
      {kNow - 86400 * kSecond, 0},  // exactly the interval is not overdue
      {kNow - 100 * kSecond, 0},
      {kNow + 3600 * kSecond, 0},  // a page written in the future
  };
  for (const Case& c : cases) {
    Show show(100'000);
    show.platform.AddPhotos(25);
    show.platform.last_refresh_time = c.last_refresh_time;
    show.Frame();
    show.Frame();
    ASSERT_EQ(show.seq.state, SlideState::Holding);
    const uint32_t hold_began = show.tick;
    EXPECT_EQ(show.platform.refresh_starts, 0);
    while (show.seq.state == SlideState::Holding) show.Frame();
    EXPECT_EQ(show.platform.refresh_starts, c.expected_starts) << c.last_refresh_time;
    EXPECT_EQ(show.platform.weather_refreshes, 2) << "at start and at the check";
    for (uint32_t at : show.platform.refresh_start_ticks) {
      EXPECT_GT(at - hold_began, 5000u);
      EXPECT_LE(at - hold_began, 5000u + 3 * kFrameMs);
    }
  }
}

TEST(SlideSequencer, NewPhotosFadeToBlackRescanAndStartOver) {
  Show show(12347);
  show.platform.AddPhotos(5);
  while (show.seq.state != SlideState::Fading) show.Frame();
  show.platform.new_photos = true;  // a refresh stored a photo during the hold
  show.platform.AddPhotos(1);
  const int weather_refreshes = show.platform.weather_refreshes;
  const std::size_t fade_begins = show.frames.size();
  while (show.seq.state != SlideState::Starting) show.Frame();
  for (std::size_t i = fade_begins; i < show.frames.size(); ++i) {
    const FramePlan& f = show.frames[i];
    if (f.count > 0) {  // only the outgoing slide, fading to black
      ASSERT_EQ(f.count, 1);
      EXPECT_EQ(f.draws[0].slot, 0);
    }
  }
  EXPECT_EQ(show.frames.back().count, 0);  // the Advancing frame is black
  EXPECT_FALSE(show.platform.new_photos);
  EXPECT_EQ(show.platform.scans, 1);
  EXPECT_EQ(show.platform.weather_refreshes, weather_refreshes + 1) << "the restart renews the weather";
  EXPECT_TRUE(show.platform.live_textures.empty());

  const uint32_t restart_tick = show.tick;
  show.Frame();
  show.Frame();
  EXPECT_EQ(show.seq.state, SlideState::Holding);
  EXPECT_TRUE(show.seq.fade_in_pending);
  EXPECT_EQ(show.frames.back().draws[0].opacity, 0.0f);  // fading in from black again
  const std::string first = "p" + std::to_string(restart_tick % 6) + "@0";
  EXPECT_EQ(show.platform.builds[show.platform.builds.size() - 2], first);
  EXPECT_EQ(show.platform.live_textures.size(), 2u);
  EXPECT_EQ(show.platform.texture_faults, 0);
}

// Two shows on two monitors, stepped in turn as the main loop does: while
// there are at least two photos a show (on screen and next) no photo is
// drawn on both in the same frame; with fewer a show takes one another
// monitor shows rather than hold for ever, but never fades one into itself.
TEST(SlideSequencer, TwoShowsNeverDrawOnePhotoAtOnce) {
  struct Case {
    int photos;
    uint32_t second_start;  // the first starts at 12347
    bool shared;            // some frame draws one photo on both
    int uploads;            // at least, in each show
  };
  const Case cases[] = {{5, 12347, false, 9}, {4, 52001, false, 9}, {3, 12347, true, 9},
                        {2, 12348, true, 9},  {2, 52001, true, 9},  {1, 12347, true, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.photos << " photos, second show from " << c.second_start);
    Show a(12347), b(c.second_start);
    a.platform.AddPhotos(c.photos);
    b.platform.AddPhotos(c.photos);
    a.platform.other = &b.seq;
    b.platform.other = &a.seq;
    bool shared = false;
    for (int frame = 0; frame < 5000; ++frame) {  // 100 s
      a.Frame();
      b.Frame();
      const FramePlan &pa = a.frames.back(), &pb = b.frames.back();
      for (int i = 0; i < pa.count; ++i)
        for (int j = 0; j < pb.count; ++j)
          shared |= a.seq.slots[pa.draws[i].slot].path == b.seq.slots[pb.draws[j].slot].path;
      for (const Show* s : {&a, &b})  // a fade from a photo into itself
        ASSERT_FALSE(s->frames.back().count == 2 && s->seq.slots[0].path == s->seq.slots[1].path) << frame;
    }
    EXPECT_EQ(shared, c.shared);
    EXPECT_GE(a.platform.uploads, c.uploads);
    EXPECT_GE(b.platform.uploads, c.uploads);
  }
}

// A build that never returns is given up 30 seconds after a builder took it,
// however long it waited for one; one the platform refuses at once: its slot
// shows black, like an undecodable photo, and the show goes on, the first
// photo of a show included.
TEST(SlideSequencer, ABuildThatNeverReturnsIsAbandonedAfterThirtySeconds) {
  struct Case {
    int photos;
    std::string hanging;
    bool refused;  // the build is refused rather than left hanging
    uint32_t queue_ms;
    SlideState after_31s;
    int arriving;  // photos appended then
    std::vector<std::string> builds;
    std::vector<std::string> abandoned;
  };
  const Case cases[] = {
      {5, "p2", false, 0, SlideState::Holding, 0, {"p2@0", "p3@1", "p4@0", "p0@1", "p1@0", "p2@1", "p3@0", "p4@1"},
       {"p2@0 after 30020", "p2@1 after 30020"}},
      {5, "p4", false, 0, SlideState::Holding, 0,
       {"p2@0", "p3@1", "p4@0", "p0@1", "p1@0", "p2@1", "p3@0", "p4@1", "p0@0"},
       {"p4@0 after 30020", "p4@1 after 30020"}},
      {1, "p0", false, 0, SlideState::SinglePhoto, 1, {"p0@0", "p1@1"}, {"p0@0 after 30020"}},
      // 40 s behind another show's build count for nothing.
      {5, "p2", false, 40'000, SlideState::BuildingFirst, 0,
       {"p2@0", "p3@1", "p4@0", "p0@1", "p1@0", "p2@1", "p3@0"},
       {"p2@0 after 70020", "p2@1 after 70020"}},
      // A refused build is given up at once, without condemning its photo.
      {5, "p2", true, 0, SlideState::Holding, 0, {"p2@0", "p3@1", "p4@0", "p0@1", "p1@0", "p2@1", "p3@0", "p4@1"},
       {"p2@0 after 0 early", "p2@1 after 0 early"}},
      {1, "p0", true, 0, SlideState::SinglePhoto, 1, {"p0@0", "p1@1"}, {"p0@0 after 0 early"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hanging + (c.refused ? " is refused" : " hangs"));
    Show show(12347);
    show.platform.AddPhotos(c.photos);
    show.platform.queue_ms = c.queue_ms;
    (c.refused ? show.platform.refused : show.platform.hanging).insert(c.hanging);
    show.RunFor(31'000);
    EXPECT_EQ(show.seq.state, c.after_31s);
    show.platform.AddPhotos(c.arriving);
    show.RunUntilBuilds(c.builds.size());
    EXPECT_EQ(show.platform.builds, c.builds);
    EXPECT_EQ(show.platform.abandoned, c.abandoned);
    EXPECT_EQ(show.platform.build_faults, 0);
    EXPECT_EQ(show.platform.texture_faults, 0);
  }
}

// Builds run off the main thread and take as long as they take; the show
// must neither reorder, skip nor hurry anything for them.
TEST(SlideSequencer, SlowBuildsKeepTheOrderTheHoldAndTheFades) {
  const std::vector<std::string> order = {"p2@0", "p3@1", "p4@0", "p0@1", "p1@0", "p2@1", "p3@0", "p4@1"};
  for (const int polls : {0, 3, 60, 600}) {  // 600 polls: 12 s, longer than a hold
    SCOPED_TRACE(testing::Message() << polls << " polls a build");
    Show show(12347);
    show.platform.AddPhotos(5);
    show.platform.build_polls = polls;
    std::vector<uint32_t> hold_ms;
    uint32_t hold_began = 0;
    int fade_frames = 0;
    bool first_drawn = false;
    for (int guard = 0; show.platform.builds.size() < order.size(); ++guard) {
      ASSERT_LT(guard, 100'000);
      const SlideState before = show.seq.state;
      const int uploads_before = show.platform.uploads;
      show.Frame();
      const SlideState now = show.seq.state;
      if (!first_drawn && show.frames.back().count > 0) {
        first_drawn = true;
        EXPECT_EQ(uploads_before + (before == SlideState::BuildingFirst), 1) << "drawn before the first upload";
      }
      if (now == SlideState::Holding && before != SlideState::Holding) hold_began = show.tick;
      if (before == SlideState::Holding && now == SlideState::Fading) {
        hold_ms.push_back(show.tick - kFrameMs - hold_began);
        // The incoming slide is uploaded before its fade.
        EXPECT_EQ(show.platform.building_slot, -1);
        EXPECT_EQ(show.platform.on_slot[1 - show.seq.current_slot] + "@" +
                      std::to_string(1 - show.seq.current_slot),
                  show.platform.builds.back());
      }
      if (now == SlideState::Fading) ++fade_frames;
    }
    EXPECT_EQ(show.platform.builds, order);
    EXPECT_EQ(show.platform.build_faults, 0);
    EXPECT_EQ(show.platform.texture_faults, 0);
    ASSERT_EQ(hold_ms.size(), order.size() - 2);
    for (const uint32_t ms : hold_ms) {
      EXPECT_GT(ms, 10000u);
      EXPECT_LE(ms, std::max(10000u, static_cast<uint32_t>(polls + 1) * kFrameMs) + 2 * kFrameMs);
    }
    EXPECT_EQ(fade_frames, 51 * static_cast<int>(hold_ms.size()));
  }
}

// The first photo fades in as soon as it is uploaded, while the second is
// still being built.
TEST(SlideSequencer, FirstPhotoShowsAsSoonAsItIsBuilt) {
  for (const int photos : {1, 2, 5}) {
    SCOPED_TRACE(testing::Message() << photos << " photos");
    Show show(100);
    show.platform.AddPhotos(photos);
    show.platform.build_polls = 10;
    while (show.platform.uploads == 0) show.Frame();
    // The frame that uploaded it already starts the fade-in.
    ASSERT_EQ(show.frames.back().count, 1);
    EXPECT_EQ(show.frames.back().draws[0].opacity, 0.0f);
    EXPECT_EQ(show.frames.size(), 1u + 10u + 1u);  // Starting, ten polls, the upload
    for (std::size_t i = 0; i + 1 < show.frames.size(); ++i) EXPECT_EQ(show.frames[i].count, 0);
    EXPECT_EQ(show.platform.building_slot, photos > 1 ? 1 : -1);
    show.Frame();
    EXPECT_GT(show.frames.back().draws[0].opacity, 0.0f);
  }
}

// While nobody looks the show is neither stepped nor drawn. When somebody
// looks again the picture on screen is drawn at once, a held slide is held
// anew, a fade goes on from its step, and a refresh that fell due starts.
TEST(SlideSequencer, NobodyLooksThenTheShowGoesOnWhereItStood) {
  struct Case {
    const char* name;
    uint32_t pause_at;       // ms after the start; the fade-in ends at 1060, the first cross-fade begins at 10060
    uint32_t next_fade_ms;   // from the resume to the next cross-fade
  };
  const Case cases[] = {
      {"a held slide", 5'000, 10'020},
      {"the fade-in", 500, 10'020},
      {"a cross-fade", 10'460, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Show show(1000);
    show.platform.AddPhotos(3);
    show.RunFor(c.pause_at);
    const FramePlan before = show.frames.back();
    int fading = static_cast<int>(std::count(show.states.begin(), show.states.end(), SlideState::Fading));
    show.platform.last_refresh_time = 0;  // the gallery falls due while nobody looks
    show.Pause(3'600'000);
    const uint32_t resumed = show.tick;
    show.Frame();
    fading += show.seq.state == SlideState::Fading;
    const FramePlan after = show.frames.back();
    EXPECT_FALSE(after.unchanged) << "the picture is drawn again";
    ASSERT_EQ(after.count, before.count);
    EXPECT_EQ(after.draws[after.count - 1].slot, before.draws[before.count - 1].slot);
    EXPECT_GE(after.draws[after.count - 1].opacity, before.draws[before.count - 1].opacity);
    EXPECT_LE(after.draws[after.count - 1].opacity, before.draws[before.count - 1].opacity + 0.05f);
    uint32_t fade_began = 0;
    for (int guard = 0; show.seq.state != SlideState::Advancing; ++guard) {
      ASSERT_LT(guard, 100'000);
      const SlideState was = show.seq.state;
      show.Frame();
      if (show.seq.state == SlideState::Fading) {
        ++fading;
        if (was != SlideState::Fading) fade_began = show.tick - kFrameMs - resumed;
      }
    }
    EXPECT_EQ(fading, 51) << "the fade at the pause or the next one, the pause apart";
    EXPECT_EQ(fade_began, c.next_fade_ms);
    show.RunFor(100);  // the first periodic check of the next hold
    ASSERT_FALSE(show.platform.refresh_start_ticks.empty());
    EXPECT_GE(show.platform.refresh_start_ticks.back(), resumed) << "nothing starts while nobody looks";
    EXPECT_LE(show.platform.refresh_start_ticks.back(), resumed + 11'100);
  }
}

// The main thread sleeps until the next step can change anything.
TEST(StepDueIn, OnlyAHeldStillSlideLetsTheMainThreadSleep) {
  struct Case {
    SlideState state;
    uint32_t held_ms, checked_ms;  // since the hold began and since the last periodic check
    int building_slot;
    bool fade_in, shown;
    int32_t due_in;
  };
  const Case cases[] = {
      {SlideState::Holding, 3000, 1000, -1, false, true, 4001},  // the periodic check comes first
      {SlideState::Holding, 9000, 1000, -1, false, true, 1001},  // the hold ends first
      {SlideState::Holding, 12000, 1000, 1, false, true, kBuildPollMs},  // the next slide is still built
      {SlideState::Holding, 3000, 5001, -1, false, true, 0},   // the check is due
      {SlideState::Holding, 3000, 1000, -1, false, false, 0},  // the window was spoilt
      {SlideState::Holding, 300, 300, 1, true, true, 0},       // fading in
      {SlideState::Fading, 0, 1000, -1, false, true, 0},
      {SlideState::BuildingFirst, 0, 0, 0, false, true, kBuildPollMs},
  };
  for (const Case& c : cases) {
    SlideSequencer s;
    const uint32_t now = 50'000;
    s.state = c.state;
    s.hold_start = now - c.held_ms;
    s.last_periodic_check = now - c.checked_ms;
    s.building_slot = c.building_slot;
    s.fade_in_pending = c.fade_in;
    s.shown = c.shown;
    EXPECT_EQ(StepDueIn(s, now, 10'000), c.due_in) << &c - cases;
  }
}

// A frame that would show the picture already on screen is not drawn; any
// change of a drawn slot, of its opacity or of the slots drawn is.
TEST(PlanFrame, TellsWhenThePictureIsUnchanged) {
  struct Case {
    const char* name;
    void (*between)(SlideSequencer&);  // what happens between two frames
    bool drawn;
  };
  const Case cases[] = {
      {"nothing", [](SlideSequencer&) {}, false},
      {"the window was spoilt", [](SlideSequencer& s) { ForceRedraw(s); }, true},
      {"the slot on screen was refilled", [](SlideSequencer& s) { ++s.slots[s.current_slot].builds; }, true},
      {"the hidden slot was refilled", [](SlideSequencer& s) { ++s.slots[1 - s.current_slot].builds; }, false},
      {"the other slot came on screen", [](SlideSequencer& s) { s.current_slot = 1 - s.current_slot; }, true},
      {"a fade-in began", [](SlideSequencer& s) { s.fade_in_pending = true; }, true},
      {"a cross-fade began", [](SlideSequencer& s) { s.state = SlideState::Fading; }, true},
      {"the show started over", [](SlideSequencer& s) { s.state = SlideState::Starting; }, true},
  };
  for (const Case& c : cases) {
    SlideSequencer s;
    s.state = SlideState::Holding;
    const FramePlan first = PlanFrame(s, false, 0);
    EXPECT_FALSE(first.unchanged) << c.name << ": the first frame always draws";
    NoteFrameDrawn(s, first);
    EXPECT_TRUE(PlanFrame(s, false, 0).unchanged) << c.name;
    c.between(s);
    EXPECT_EQ(!PlanFrame(s, false, 0).unchanged, c.drawn) << c.name;
  }
}

// Over a whole show: holds draw once, fades draw every frame, black stays black.
TEST(PlanFrame, OnlyFadesDrawEveryFrame) {
  Show show(12347);
  show.platform.AddPhotos(3);
  show.platform.build_polls = 5;
  while (show.platform.builds.size() < 4) show.Frame();
  int drawn_holding = 0, drawn_black = 0, holds = 0;
  for (std::size_t i = 0; i < show.frames.size(); ++i) {
    const FramePlan& f = show.frames[i];
    const SlideState state = show.states[i];
    const bool fading_in = f.count == 1 && f.draws[0].opacity < 1.0f;
    if (state == SlideState::Fading || fading_in) {
      EXPECT_FALSE(f.unchanged) << "frame " << i;
    } else if (f.count == 0) {
      drawn_black += !f.unchanged;
    } else {
      drawn_holding += !f.unchanged;
      holds += state == SlideState::Holding && show.states[i - 1] != SlideState::Holding;
    }
  }
  EXPECT_EQ(drawn_black, 1) << "the first black frame only";
  // The first fully drawn frame after the fade-in and after each cross-fade.
  EXPECT_EQ(drawn_holding, 3);
  EXPECT_EQ(holds, 2);
}

TEST(SlideGeometry, PictureIsCentredAndCutToItsSize) {
  struct Case {
    float a, b;
    int texture_side;
    float w, h;
    float x0, y0, side;
    float left, right, top, bottom;  // what the planes keep
  };
  const Case cases[] = {
      {1024, 768, 2048, 1280, 720, -320, -600, 1920, 160, 1120, 0, 720},
      {2048, 1024, 2048, 1280, 720, 0, -280, 1280, 0, 1280, 40, 680},
      {1280, 720, 2048, 1280, 720, -384, -664, 2048, 0, 1280, 0, 720},  // an overlay: pixel for pixel
      {1024, 2048, 2048, 1280, 720, 280, 0, 720, 460, 820, 0, 720},
      // A 4096 slot on a 3840 x 2160 screen: a photo of the screen's size
      // texel for pixel, a smaller one enlarged to fit like any other.
      {3840, 2160, 4096, 3840, 2160, -128, -968, 4096, 0, 3840, 0, 2160},
      {2000, 1000, 4096, 3840, 2160, -2012.16f, -2852.16f, 7864.32f, 0, 3840, 120, 2040},
  };
  for (const Case& c : cases) {
    SlideGeometry g{};
    ASSERT_TRUE(ComputeSlideGeometry(SlideSize{c.a, c.b, c.texture_side}, c.w, c.h, g));
    const std::string at = std::to_string(c.a) + "x" + std::to_string(c.b) + " in " + std::to_string(c.texture_side);
    EXPECT_FLOAT_EQ(g.x0, c.x0) << at;
    EXPECT_FLOAT_EQ(g.y0, c.y0) << at;
    EXPECT_FLOAT_EQ(g.side, c.side) << at;
    // Plane i keeps points where a*x + b*y + d >= 0: find where each one cuts.
    EXPECT_FLOAT_EQ(-g.planes[0][3] / g.planes[0][0], c.left) << at;
    EXPECT_FLOAT_EQ(-g.planes[1][3] / g.planes[1][0], c.right) << at;
    EXPECT_FLOAT_EQ(-g.planes[2][3] / g.planes[2][1], c.top) << at;
    EXPECT_FLOAT_EQ(-g.planes[3][3] / g.planes[3][1], c.bottom) << at;
    EXPECT_GT(g.planes[0][0], 0) << at;
    EXPECT_LT(g.planes[1][0], 0) << at;
    EXPECT_GT(g.planes[2][1], 0) << at;
    EXPECT_LT(g.planes[3][1], 0) << at;
  }
  SlideGeometry g{};
  for (const auto& [a, b] : {std::pair{0.0f, 0.0f}, std::pair{0.0f, 100.0f}, std::pair{100.0f, 0.0f}})
    EXPECT_FALSE(ComputeSlideGeometry(SlideSize{a, b}, 1280, 720, g)) << a << "x" << b;
}

}  // namespace
