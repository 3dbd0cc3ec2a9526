// Test pictures for the scaler's benchmarks and the accuracy measure they report: the PSNR
// of a 256x256 frame against the exact area mean of the source, computed in double.
// Portable, header only; shared by the host benchmark and the Wine video benchmark.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "video/pixel_convert.h"

namespace scaler_pictures {

struct Bgr {
  double b, g, r;
};

using PixelAt = std::function<Bgr(int x, int y)>;  // y counted from the top

inline std::vector<uint8_t> MakeSource(int width, int height, const PixelAt& pixel) {
  const size_t pitch = (size_t(width) * 3 + 3) / 4 * 4;
  std::vector<uint8_t> bytes(pitch * height);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = &bytes[pitch * size_t(height - 1 - y)];  // bottom-up
    for (int x = 0; x < width; ++x) {
      const Bgr p = pixel(x, y);
      row[3 * x] = uint8_t(std::lround(p.b));
      row[3 * x + 1] = uint8_t(std::lround(p.g));
      row[3 * x + 2] = uint8_t(std::lround(p.r));
    }
  }
  return bytes;
}

inline Bgr Noise(int x, int y) {
  const uint32_t m = ((uint32_t(x) * 73856093u) ^ (uint32_t(y) * 19349663u)) * 2654435761u;
  return {double(m >> 24), double((m >> 16) & 255), double((m >> 8) & 255)};
}

inline Bgr Checkerboard(int x, int y) {
  const double v = (x + y) % 2 ? 255 : 0;
  return {v, v, v};
}

inline Bgr ZonePlate(int x, int y) {
  const double dx = x - 959.5, dy = y - 539.5;
  const double v = 127.5 + 127.5 * std::cos(3.14159265358979 * (dx * dx + dy * dy) / 1920);
  return {v, v, v};
}

// Soft gradients, a blurred disc and gentle waves: no edge sharper than a few pixels.
inline Bgr Photograph(int x, int y) {
  const double u = x / 1920.0, v = y / 1080.0;
  const double disc = 1 / (1 + std::exp((std::hypot(x - 1300.0, y - 420.0) - 260) / 6));
  const double waves = 0.5 + 0.5 * std::sin(x / 37.0) * std::cos(y / 53.0);
  return {std::min(255.0, 40 + 150 * v + 50 * disc), std::min(255.0, 60 + 90 * waves + 80 * disc * u),
          std::min(255.0, 200 - 120 * v * u + 40 * disc)};
}

// Share of each source pixel in output i: the area mean where the side is longer than 256.
inline std::vector<std::vector<std::pair<int, double>>> AreaWeights(int side) {
  std::vector<std::vector<std::pair<int, double>>> weights(kFrameSide);
  const double scale = double(side) / kFrameSide;
  for (int i = 0; i < kFrameSide; ++i) {
    const double low = i * scale, high = (i + 1) * scale;
    for (int j = int(low); j < side && j < high; ++j) {
      weights[i].push_back({j, (std::min(high, j + 1.0) - std::max(low, double(j))) / scale});
    }
  }
  return weights;
}

constexpr int kQualityWidth = 1920, kQualityHeight = 1080;

// PSNR (dB) of `frame` (bottom-up, kFrameBytes) against the area mean of `source`, a
// bottom-up kQualityWidth x kQualityHeight picture made by MakeSource.
inline double PsnrAgainstAreaMean(const std::vector<uint8_t>& source, const uint8_t* frame) {
  constexpr int kWidth = kQualityWidth, kHeight = kQualityHeight;
  const auto across = AreaWeights(kWidth);
  const auto down = AreaWeights(kHeight);
  double squares = 0;
  for (int row = 0; row < kFrameSide; ++row) {
    for (int x = 0; x < kFrameSide; ++x) {
      Bgr mean{0, 0, 0};
      for (const auto& [line, wy] : down[kFrameSide - 1 - row]) {
        for (const auto& [column, wx] : across[x]) {
          // The source holds rounded bytes: the mean is taken of those.
          const uint8_t* p = &source[size_t(kHeight - 1 - line) * kWidth * 3 + 3 * column];
          mean.b += wx * wy * p[0];
          mean.g += wx * wy * p[1];
          mean.r += wx * wy * p[2];
        }
      }
      const uint8_t* out = &frame[size_t(row) * kFramePitch + 3 * x];
      squares += (out[0] - mean.b) * (out[0] - mean.b) + (out[1] - mean.g) * (out[1] - mean.g) +
                 (out[2] - mean.r) * (out[2] - mean.r);
    }
  }
  return 10 * std::log10(255.0 * 255.0 / (squares / kFrameBytes));
}

// The three pictures, by the names the figures use.
struct NamedPicture {
  const char* name;
  Bgr (*pixel)(int x, int y);
};
constexpr NamedPicture kQualityPictures[] = {
    {"checkerboard", Checkerboard}, {"zone_plate", ZonePlate}, {"photograph", Photograph}};

}  // namespace scaler_pictures
