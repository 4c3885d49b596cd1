#include "slideshow/photo_fit.h"

#include <algorithm>
#include <cmath>
#include <vector>

PhotoFit FitPhoto(uint32_t pixel_width, uint32_t pixel_height) {
  constexpr float side = static_cast<float>(kTextureSize);
  PhotoFit fit;
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

// Averages one row of 8.8 fixed-point values across into canvas texels.
void AverageAcross(const uint16_t* row, const AxisWeights& across, uint32_t* out, int texels) {
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
    out[i] = kOpaqueBlack | (r >> shift) << 16 | (g >> shift) << 8 | (b >> shift);
  }
}

uint32_t* CanvasRow(uint32_t* canvas, int top_down_y) {
  return canvas + static_cast<std::size_t>(kTextureSize - 1 - top_down_y) * kTextureSize;
}

void PaintMargins(const PhotoFit& fit, uint32_t* canvas) {
  for (int y = 0; y < kTextureSize; ++y) {
    uint32_t* row = CanvasRow(canvas, y);
    if (y < fit.y || y >= fit.y + fit.h) {
      std::fill(row, row + kTextureSize, kOpaqueBlack);
    } else {
      std::fill(row, row + fit.x, kOpaqueBlack);
      std::fill(row + fit.x + fit.w, row + kTextureSize, kOpaqueBlack);
    }
  }
}

void CopyPicture(const PictureView& picture, const PhotoFit& fit, uint32_t* canvas) {
  for (int y = 0; y < fit.h; ++y) {
    const uint8_t* p = picture.pixels + y * picture.stride;
    uint32_t* out = CanvasRow(canvas, fit.y + y) + fit.x;
    for (int x = 0; x < fit.w; ++x, p += 3) out[x] = kOpaqueBlack | p[2] << 16 | p[1] << 8 | p[0];
  }
}

// Separable area averaging: for each canvas row the picture rows it covers
// are first added up down the columns (plain loops over whole rows, which the
// compiler vectorises), then the sums are averaged across.
void ShrinkPicture(const PictureView& picture, const PhotoFit& fit, uint32_t* canvas) {
  const AxisWeights across = AreaWeights(picture.width, fit.w);
  const AxisWeights down = AreaWeights(picture.height, fit.h);
  const std::size_t values = 3 * static_cast<std::size_t>(picture.width);
  std::vector<uint32_t> sum(values);
  std::vector<uint16_t> column_average(values);
  for (int y = 0; y < fit.h; ++y) {
    std::fill(sum.begin(), sum.end(), 0u);
    for (int k = down.offset[y]; k < down.offset[y + 1]; ++k) {
      const uint8_t* row = picture.pixels + (down.first[y] + (k - down.offset[y])) * picture.stride;
      const uint32_t w = down.weight[k];
      for (std::size_t i = 0; i < values; ++i) sum[i] += w * row[i];
    }
    constexpr int shift = kWeightBits - 8;
    for (std::size_t i = 0; i < values; ++i)
      column_average[i] = static_cast<uint16_t>((sum[i] + (1u << (shift - 1))) >> shift);
    AverageAcross(column_average.data(), across, CanvasRow(canvas, fit.y + y) + fit.x, fit.w);
  }
}

}  // namespace

void DrawPictureOnCanvas(const PictureView& picture, const PhotoFit& fit, uint32_t* canvas) {
  const bool drawable = picture.pixels != nullptr && picture.width > 0 && picture.height > 0 && fit.w > 0 &&
                        fit.h > 0;
  PhotoFit area = fit;
  if (!drawable) area.w = area.h = 0;
  PaintMargins(area, canvas);
  if (!drawable) return;
  if (picture.width == fit.w && picture.height == fit.h) {
    CopyPicture(picture, fit, canvas);
  } else {
    ShrinkPicture(picture, fit, canvas);
  }
}
