// A slideshow as the main loop drives it, one per monitor that shows one: the
// sequencer, its two slots and its lane to the shared builders in one object,
// stepped and drawn one frame at a time. Main thread only, with its window's
// GL context current.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "slideshow/slide_builder.h"
#include "slideshow/slide_sequencer.h"

class Slideshow;

// The slideshows that run side by side, one per monitor, as their owner keeps
// them: they share news of new photos, keep off each other's photos and keep
// their places when one deletes the oldest photo.
class SlideshowPeers {
 public:
  virtual std::span<Slideshow* const> Slideshows() const = 0;

 protected:
  ~SlideshowPeers() = default;
};

class Slideshow final : private SlidePlatform {
 public:
  explicit Slideshow(const SlideshowPeers& peers);
  Slideshow(const Slideshow&) = delete;
  Slideshow& operator=(const Slideshow&) = delete;

  // Takes the photo slots' texture side from the window's size; the first
  // step starts the show, on the photos PrepareSlideshows found.
  void Start();
  // The window changed size and the viewport with it: the photo slots take
  // the side that fits it, and the photos built at another side are built
  // again.
  void Resize();
  // One step of the sequencer at `tick`, the frame's start on the show clock
  // (ShowClockMs).
  void Advance(uint32_t tick);
  // Draws the current state into the back buffer and returns true, after
  // which the caller swaps buffers; false when the window already shows this
  // picture, and nothing was drawn. Fades draw every frame; `tick` sets how
  // far a fade has come.
  bool DrawFrame(uint32_t tick);
  // The window's picture may have been spoilt: the next frame draws.
  void Redraw();
  // Nobody looks from `tick` on, or somebody looks again (see PauseSlideshow).
  void Pause(uint32_t tick);
  void Resume(uint32_t tick);
  // How long after `tick` the next frame is wanted (see StepDueIn).
  int32_t FrameDueIn(uint32_t tick);

  // The slot on screen (or fading out) after the last step.
  const SlideSlot& CurrentSlot() const { return sequencer_.slots[sequencer_.current_slot]; }

 private:
  void GenTextures(int count, uint32_t* names) override;
  void DeleteTextures(int count, const uint32_t* names) override;
  int32_t PhotoCount() override;
  std::wstring PhotoPath(int32_t index) override;
  bool StartSlideBuild(SlideKind kind, const std::wstring& path) override;
  std::optional<SlideSize> FinishSlideBuild(uint32_t texture) override;
  std::optional<uint32_t> SlideBuildRunningSince() override;
  void AbandonSlideBuild(bool ran_whole_limit) override;
  void DeleteOldestPhoto() override;
  void ScanPhotoFolder() override;
  void StartRefreshThread() override;
  void RefreshWeather() override;
  bool ShowWeather() override;
  bool WeatherReady() override;
  bool NoticeWanted() override;
  int64_t GalleryRefreshSeconds() override;
  int32_t SlideHoldMs() override;
  int64_t LastRefreshTime() override;
  bool TakeNewPhotosArrived() override;
  bool PhotoInUseElsewhere(const std::wstring& path) override;

  // New photos arrived and this slideshow has not yet started over on them.
  bool NewPhotos();

  // The side of a photo's texture for the current viewport.
  static int ViewportPhotoSide();

  const SlideshowPeers& peers_;
  SlideSequencer sequencer_;
  int photo_side_ = kTextureSize;  // of a photo's texture; overlays keep kTextureSize
  bool new_photos_ = false;
  SlideBuildLane builds_;
};

// Scans the photo folder and renews the weather, once for all the slideshows
// that start after it.
void PrepareSlideshows();

// Draws `slot` at the given opacity, centred and fitted into a viewport of
// w x h pixels. A slot without a picture (0 wide or high) draws nothing.
void DrawSlide(const SlideSlot& slot, float opacity, float w, float h);
