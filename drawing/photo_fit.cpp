#include "drawing/photo_fit.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

// Exif orientations 5 to 8 show the stored rows as columns.
bool TurnsSideways(int orientation) { return orientation >= 5 && orientation <= 8; }

}  // namespace

int SlotTextureSide(int screen_width, int screen_height, int max_texture_side) {
  const int longer = std::max(screen_width, screen_height);
  int side = kTextureSize;
  while (side < longer && side < kLargestTextureSide) side *= 2;
  while (max_texture_side > 0 && side > max_texture_side && side > 1) side /= 2;
  return side;
}

int UploadAtFittingSide(int side, int max_texture_side, const std::function<bool(int side)>& upload) {
  while (max_texture_side > 0 && side > max_texture_side && side > 1) side /= 2;
  for (; side >= 1; side /= 2)
    if (upload(side)) return side;
  return 0;
}

void HalveCanvas(const uint32_t* canvas, int side, uint32_t* out) {
  // Each texel written lies at or before the first one it reads, so the
  // canvas can be halved in place.
  const int half = side / 2;
  for (int y = 0; y < half; ++y) {
    const uint32_t* row0 = canvas + static_cast<std::ptrdiff_t>(2 * y) * side;
    const uint32_t* row1 = row0 + side;
    for (int x = 0; x < half; ++x) {
      const uint32_t texels[4] = {row0[2 * x], row0[2 * x + 1], row1[2 * x], row1[2 * x + 1]};
      uint32_t mean = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        uint32_t sum = 2;  // rounds to nearest
        for (const uint32_t t : texels) sum += (t >> shift) & 0xff;
        mean |= (sum / 4) << shift;
      }
      out[static_cast<std::ptrdiff_t>(y) * half + x] = mean;
    }
  }
}

PhotoFit FitPhoto(uint32_t pixel_width, uint32_t pixel_height, int orientation, int canvas_side) {
  if (TurnsSideways(orientation)) std::swap(pixel_width, pixel_height);
  const float side = static_cast<float>(canvas_side);
  PhotoFit fit;
  fit.side = canvas_side;
  fit.width = static_cast<float>(pixel_width);
  fit.height = static_cast<float>(pixel_height);
  if (fit.width > side || fit.height > side) {
    const float scale = std::max(fit.width / side, fit.height / side);
    fit.width /= scale;
    fit.height /= scale;
  }
  // The margin is truncated before it is halved, and the halving is integer
  // division toward zero, so the picture's last row or column may touch the
  // canvas edge but never crosses it.
  fit.x = static_cast<int>(side - fit.width) / 2;
  fit.y = static_cast<int>(side - fit.height) / 2;
  fit.w = static_cast<int>(fit.width);
  fit.h = static_cast<int>(fit.height);
  return fit;
}

namespace {

// Weights are fixed point: the weights of one texel add up to exactly this.
constexpr int kWeightBits = 14;
constexpr uint32_t kWeightOne = 1u << kWeightBits;

// For each of `out` texels along one axis: the first of the `in` pixels it
// covers, and the shares of the pixels it covers, weight[offset[i]] up to
// weight[offset[i + 1] - 1].
struct AxisWeights {
  std::vector<int> first;
  std::vector<int> offset;
  std::vector<uint32_t> weight;
};

AxisWeights AreaWeights(int in, int out) {
  AxisWeights a;
  a.first.resize(out);
  a.offset.resize(out + 1);
  const double step = static_cast<double>(in) / out;
  for (int i = 0; i < out; ++i) {
    const double begin = i * step, end = std::min(static_cast<double>(in), (i + 1) * step);
    const int first = static_cast<int>(begin);
    const int last = std::clamp(static_cast<int>(std::ceil(end)) - 1, first, in - 1);
    a.first[i] = first;
    a.offset[i] = static_cast<int>(a.weight.size());
    uint32_t total = 0;
    std::size_t largest = a.weight.size();
    for (int k = first; k <= last; ++k) {
      const double cover = std::min(end, k + 1.0) - std::max(begin, static_cast<double>(k));
      const auto w = static_cast<uint32_t>(std::lround(cover / step * kWeightOne));
      if (a.weight.size() == largest || w > a.weight[largest]) largest = a.weight.size();
      a.weight.push_back(w);
      total += w;
    }
    // Rounding must neither brighten nor darken: the remainder goes to the
    // largest share, so the shares always add up to one.
    a.weight[largest] += kWeightOne - total;
  }
  a.offset[out] = static_cast<int>(a.weight.size());
  return a;
}

// Averages one row of 8.8 fixed-point values across into canvas texels,
// `step` texels apart.
void AverageAcross(const uint16_t* row, const AxisWeights& across, uint32_t* out, int texels, std::ptrdiff_t step) {
  constexpr int shift = kWeightBits + 8;
  constexpr uint32_t half = 1u << (shift - 1);
  for (int i = 0; i < texels; ++i) {
    const uint16_t* p = row + 3 * static_cast<std::ptrdiff_t>(across.first[i]);
    uint32_t b = half, g = half, r = half;
    for (int k = across.offset[i]; k < across.offset[i + 1]; ++k, p += 3) {
      const uint32_t w = across.weight[k];
      b += w * p[0];
      g += w * p[1];
      r += w * p[2];
    }
    out[i * step] = kOpaqueBlack | (r >> shift) << 16 | (g >> shift) << 8 | (b >> shift);
  }
}

// The texel x from the left and y from the top of a canvas of `side`; the
// canvas's rows run bottom up.
std::ptrdiff_t CanvasIndex(int side, int x, int top_down_y) {
  return static_cast<std::ptrdiff_t>(side - 1 - top_down_y) * side + x;
}

void PaintMargins(const PhotoFit& fit, uint32_t* canvas) {
  const int side = fit.side;
  for (int y = 0; y < side; ++y) {
    uint32_t* row = canvas + CanvasIndex(side, 0, y);
    if (y < fit.y || y >= fit.y + fit.h) {
      std::fill(row, row + side, kOpaqueBlack);
    } else {
      std::fill(row, row + fit.x, kOpaqueBlack);
      std::fill(row + fit.x + fit.w, row + side, kOpaqueBlack);
    }
  }
}

// The drawing makes its texels in the stored picture's order, row after row;
// texel t of row r goes to canvas index first + r * next_row + t * next_texel,
// its upright place.
struct Placement {
  std::ptrdiff_t first, next_texel, next_row;
};

Placement PlaceUpright(const PhotoFit& fit, int orientation) {
  // The stored picture's first texel shows on the right for 2, 3, 6 and 7,
  // at the bottom for 3, 4, 7 and 8, and its rows run across the screen
  // unless it turns sideways.
  const bool from_right = orientation == 2 || orientation == 3 || orientation == 6 || orientation == 7;
  const bool from_bottom = orientation == 3 || orientation == 4 || orientation == 7 || orientation == 8;
  const std::ptrdiff_t first =
      CanvasIndex(fit.side, from_right ? fit.x + fit.w - 1 : fit.x, from_bottom ? fit.y + fit.h - 1 : fit.y);
  const std::ptrdiff_t x_step = from_right ? -1 : 1;
  const std::ptrdiff_t y_step = from_bottom ? fit.side : -fit.side;
  if (TurnsSideways(orientation)) return {first, y_step, x_step};
  return {first, x_step, y_step};
}

// The drawing asks for the picture's rows through a row source, `rows(r)`,
// with r never going back: a view hands out its own rows, a band reader
// reads them as they are reached.
struct ViewRows {
  const PictureView& view;
  const uint8_t* operator()(int r) const { return view.pixels + r * view.stride; }
};

class BandRows {
 public:
  explicit BandRows(const PictureSource& source)
      : source_(source), stride_((3 * static_cast<std::ptrdiff_t>(source.width) + 3) & ~std::ptrdiff_t{3}),
        band_(static_cast<std::size_t>(stride_) * kPictureBandRows), black_(static_cast<std::size_t>(stride_)) {}

  // A row asked for again is still in the band: each new band starts at the
  // row that needed it. After a failed read every row is black.
  const uint8_t* operator()(int r) {
    if (failed_) return black_.data();
    if (r < first_ || r >= first_ + count_) {
      first_ = r;
      count_ = std::min(kPictureBandRows, source_.height - r);
      if (!source_.read(first_, count_, band_.data(), stride_)) {
        failed_ = true;
        return black_.data();
      }
    }
    return band_.data() + (r - first_) * stride_;
  }
  bool failed() const { return failed_; }

 private:
  const PictureSource& source_;
  const std::ptrdiff_t stride_;
  std::vector<uint8_t> band_;
  const std::vector<uint8_t> black_;
  int first_ = 0, count_ = 0;
  bool failed_ = false;
};

template <typename Rows>
void CopyPicture(Rows& rows, int width, int height, const Placement& place, uint32_t* canvas) {
  for (int y = 0; y < height; ++y) {
    const uint8_t* p = rows(y);
    uint32_t* out = canvas + (place.first + y * place.next_row);
    for (int x = 0; x < width; ++x, p += 3) out[x * place.next_texel] = kOpaqueBlack | p[2] << 16 | p[1] << 8 | p[0];
  }
}

// Separable area averaging into out_width x out_height texels in the stored
// picture's order: for each row of them the picture rows it covers are first
// added up down the columns (plain loops over whole rows, which the compiler
// vectorises), then the sums are averaged across.
template <typename Rows>
void ShrinkPicture(Rows& rows, int width, int height, int out_width, int out_height, const Placement& place,
                   uint32_t* canvas) {
  const AxisWeights across = AreaWeights(width, out_width);
  const AxisWeights down = AreaWeights(height, out_height);
  const std::size_t values = 3 * static_cast<std::size_t>(width);
  std::vector<uint32_t> sum(values);
  std::vector<uint16_t> column_average(values);
  for (int y = 0; y < out_height; ++y) {
    std::fill(sum.begin(), sum.end(), 0u);
    for (int k = down.offset[y]; k < down.offset[y + 1]; ++k) {
      const uint8_t* row = rows(down.first[y] + (k - down.offset[y]));
      const uint32_t w = down.weight[k];
      for (std::size_t i = 0; i < values; ++i) sum[i] += w * row[i];
    }
    constexpr int shift = kWeightBits - 8;
    for (std::size_t i = 0; i < values; ++i)
      column_average[i] = static_cast<uint16_t>((sum[i] + (1u << (shift - 1))) >> shift);
    AverageAcross(column_average.data(), across, canvas + (place.first + y * place.next_row), out_width,
                  place.next_texel);
  }
}

// Margins black, then the picture copied or shrunk into the fit, upright;
// false (and nothing but black) when there is nothing to draw.
template <typename Rows>
bool DrawRows(Rows& rows, int width, int height, int orientation, const PhotoFit& fit, uint32_t* canvas) {
  const bool drawable = width > 0 && height > 0 && fit.w > 0 && fit.h > 0;
  PhotoFit area = fit;
  if (!drawable) area.w = area.h = 0;
  PaintMargins(area, canvas);
  if (!drawable) return false;
  const bool sideways = TurnsSideways(orientation);
  const int out_width = sideways ? fit.h : fit.w, out_height = sideways ? fit.w : fit.h;
  const Placement place = PlaceUpright(fit, orientation);
  if (width == out_width && height == out_height) {
    CopyPicture(rows, width, height, place, canvas);
  } else {
    ShrinkPicture(rows, width, height, out_width, out_height, place, canvas);
  }
  return true;
}

}  // namespace

void RepeatPictureEdges(const PhotoFit& fit, uint32_t* canvas) {
  if (fit.w <= 0 || fit.h <= 0) return;
  const int left = std::max(fit.x - kPictureEdgeTexels, 0), right = std::min(fit.x + fit.w + kPictureEdgeTexels, fit.side);
  const int top = std::max(fit.y - kPictureEdgeTexels, 0), bottom = std::min(fit.y + fit.h + kPictureEdgeTexels, fit.side);
  for (int y = top; y < bottom; ++y) {
    const int from_y = std::clamp(y, fit.y, fit.y + fit.h - 1);
    // Rows through the picture only have their two short ends to fill.
    const bool through = from_y == y;
    for (int x = left; x < right; ++x) {
      if (through && x == fit.x) x = fit.x + fit.w;
      if (x >= right) break;
      const int from_x = std::clamp(x, fit.x, fit.x + fit.w - 1);
      canvas[CanvasIndex(fit.side, x, y)] = canvas[CanvasIndex(fit.side, from_x, from_y)];
    }
  }
}

void DrawPictureOnCanvas(const PictureView& picture, const PhotoFit& fit, uint32_t* canvas) {
  ViewRows rows{picture};
  const bool has_pixels = picture.pixels != nullptr;
  DrawRows(rows, has_pixels ? picture.width : 0, has_pixels ? picture.height : 0, 1, fit, canvas);
}

bool DrawPictureSourceOnCanvas(const PictureSource& source, const PhotoFit& fit, uint32_t* canvas) {
  const bool readable = static_cast<bool>(source.read) && source.width > 0 && source.height > 0 &&
                        source.width <= kMaxPictureSide && source.height <= kMaxPictureSide;
  PictureSource checked = source;
  if (!readable) checked.width = checked.height = 0;
  BandRows rows(checked);
  if (!DrawRows(rows, checked.width, checked.height, source.orientation, fit, canvas)) return false;
  if (!rows.failed()) return true;
  PhotoFit nothing = fit;
  nothing.w = nothing.h = 0;
  PaintMargins(nothing, canvas);
  return false;
}
