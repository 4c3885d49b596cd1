// Where a photo of a given pixel size lies on the square slide canvas, and
// how its pixels get there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

// Side of a slide texture and of the canvas it is drawn on, in texels: every
// overlay's, and a photo's on a screen of up to kTextureSize pixels.
inline constexpr int kTextureSize = 2048;
inline constexpr std::size_t kCanvasTexels = static_cast<std::size_t>(kTextureSize) * kTextureSize;
// The largest side a photo's texture takes, on screens over 4096 pixels.
inline constexpr int kLargestTextureSide = 8192;

// The side of a photo slot's texture on a screen of screen_width x
// screen_height: kTextureSize up to a longer side of kTextureSize pixels, else
// the smallest power of two that holds the longer side, up to
// kLargestTextureSide, so a photo as large as the screen is drawn from a
// texel a pixel; never above max_texture_side (the driver's limit, none when
// 0 or less), halved until it fits.
int SlotTextureSide(int screen_width, int screen_height, int max_texture_side);

// Texture uploads that the driver may refuse: `upload(side)` is tried at the
// canvas's `side`, or at the largest half of it within `max_texture_side`
// (the driver's limit; none when 0 or less), and after each refusal (out of
// memory) at half the side, down to one texel. Returns the side taken, or 0
// when every one was refused.
int UploadAtFittingSide(int side, int max_texture_side, const std::function<bool(int side)>& upload);

// Averages a canvas of side x side texels (side even) down to half its side,
// each 2 x 2 texels into one, into `out`, which may be `canvas` itself.
void HalveCanvas(const uint32_t* canvas, int side, uint32_t* out);

// Texels of a canvas of side x side.
inline std::size_t CanvasTexelCount(int side) { return static_cast<std::size_t>(side) * static_cast<std::size_t>(side); }

struct PhotoFit {
  // The canvas's side in texels: it holds side x side texels.
  int side = kTextureSize;
  // The picture's size on the canvas, unrounded: the slot keeps these so the
  // sequencer can cut away exactly the black margin.
  float width = 0;
  float height = 0;
  // The integer rectangle the decoder draws into, centred on the canvas.
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
};

// Fits a picture of pixel_width x pixel_height, as stored, onto a canvas of
// `side` the way `orientation` shows it (5 to 8 stand it on its side, so its
// sides swap): larger pictures shrink until their longer side is `side`,
// smaller ones keep their size; the result is centred.
PhotoFit FitPhoto(uint32_t pixel_width, uint32_t pixel_height, int orientation = 1, int side = kTextureSize);

// A decoded picture: rows top-down, `stride` bytes apart, 3 bytes a pixel in
// the order blue, green, red (GDI+'s 24-bit RGB).
struct PictureView {
  const uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;
};

inline constexpr uint32_t kOpaqueBlack = 0xff000000;

// Draws `picture` onto `canvas` (the fit's side squared texels of 0xAARRGGBB, the
// canvas's bottom row first, which is the texture's row order) into the
// rectangle of `fit`, and paints the rest opaque black. Every texel is the
// average of the part of the picture it covers, so a shrunk photo keeps fine
// detail smooth instead of aliasing, and a picture of the rectangle's own
// size is copied unchanged. A null or empty picture leaves the canvas black.
void DrawPictureOnCanvas(const PictureView& picture, const PhotoFit& fit, uint32_t* canvas);

// Texels of the margin next to the picture that RepeatPictureEdges fills.
inline constexpr int kPictureEdgeTexels = 2;

// Fills the kPictureEdgeTexels texels of black margin around the fit's
// picture with the picture's nearest edge texels. The slide is shown with
// linear filtering and cut at the unrounded picture size, which may reach
// past the drawn integer rectangle by a fraction of a texel: without this a
// small photo, enlarged to the screen, shows fading into black (a 1 x 1
// photo mostly black), and every photo's outermost pixels show darkened.
void RepeatPictureEdges(const PhotoFit& fit, uint32_t* canvas);

// A picture read in bands of rows as the drawing goes, so a large photo is
// never held whole: `read(first, count, out, stride)` writes rows first ..
// first + count - 1, laid out as in PictureView, `stride` bytes apart, into
// `out`, and is false when they cannot be read. Width, height and rows are
// as stored; `orientation` (the Exif tag's 1 to 8, anything else counting as
// 1) says how the stored picture is turned or mirrored to stand upright.
struct PictureSource {
  int width = 0;
  int height = 0;
  std::function<bool(int first, int count, uint8_t* out, std::ptrdiff_t stride)> read;
  int orientation = 1;
};

// Rows of one band: the most of a source held at a time.
inline constexpr int kPictureBandRows = 64;
// The longest side a source may have (JPEG's own limit), which bounds what
// the drawing allocates for a picture whose header claims any size.
inline constexpr int kMaxPictureSide = 65535;

// Draws `source` upright as DrawPictureOnCanvas draws a picture, into `fit`,
// an upright rectangle as FitPhoto(width, height, orientation) gives it: each
// stored pixel goes into the texels of its upright place. Reads the rows top
// down, each band once. A failed read leaves the canvas all black and
// returns false; so does an empty source or one with a side over
// kMaxPictureSide.
bool DrawPictureSourceOnCanvas(const PictureSource& source, const PhotoFit& fit, uint32_t* canvas);
