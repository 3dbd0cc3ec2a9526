// Cost of scaling one video frame into the 256x256 frame surface, per source size and code
// path, and the scaler's accuracy on three 1920x1080 pictures. Host only.
//
// BM_ScaleFrame reports milliseconds per frame; a scaler is prepared once and then reused
// for every frame, as the renderer does for a video of one size. With repetitions, the _min
// line is the one to read on a shared machine. BM_ScalerQuality runs once
// and prints, as counters, the PSNR (dB) of the scaled frame against the exact area mean
// computed in double: a one-pixel checkerboard, a zone plate reaching the Nyquist frequency
// at the left and right edges, and a smooth photograph-like picture.
#include "video/frame_scaler.h"

#include "scaler_pictures.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace {

using namespace scaler_pictures;

double Psnr(const PixelAt& pixel) {
  const std::vector<uint8_t> source = MakeSource(kQualityWidth, kQualityHeight, pixel);
  std::vector<uint8_t> frame(kFrameBytes);
  ScaleFrame(source.data(), source.size(), kQualityWidth, kQualityHeight, frame.data());
  return PsnrAgainstAreaMean(source, frame.data());
}

void BM_ScaleFrame(benchmark::State& state) {
  const int width = int(state.range(0)), height = int(state.range(1));
  const PixelPath path = state.range(2) ? PixelPath::Sse2 : PixelPath::Scalar;
  if (!PixelPathRuns(path)) {
    state.SkipWithError("this processor has no SSE2");
    return;
  }
  const std::vector<uint8_t> source = MakeSource(width, height, Noise);
  std::vector<uint8_t> frame(kFrameBytes);
  FrameScaler scaler;
  scaler.Prepare(width, height);
  for (auto _ : state) {
    benchmark::DoNotOptimize(scaler.Scale(source.data(), source.size(), width, height, frame.data(), path));
    benchmark::ClobberMemory();
  }
  state.SetLabel(path == PixelPath::Sse2 ? "sse2" : "scalar");
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(source.size()));
}

void BM_ScalerQuality(benchmark::State& state) {
  double checkerboard = 0, zonePlate = 0, photograph = 0;
  for (auto _ : state) {
    checkerboard = Psnr(Checkerboard);
    zonePlate = Psnr(ZonePlate);
    photograph = Psnr(Photograph);
  }
  state.counters["psnr_checkerboard_db"] = checkerboard;
  state.counters["psnr_zone_plate_db"] = zonePlate;
  state.counters["psnr_photograph_db"] = photograph;
}

BENCHMARK(BM_ScaleFrame)
    ->ArgNames({"width", "height", "sse2"})
    ->ArgsProduct({{320}, {240}, {0, 1}})
    ->ArgsProduct({{720}, {576}, {0, 1}})
    ->ArgsProduct({{1920}, {1080}, {0, 1}})
    ->ArgsProduct({{3840}, {2160}, {0, 1}})
    ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScalerQuality)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
