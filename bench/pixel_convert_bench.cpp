// Cost of the per-frame copy of the 256x256 frame surface into the video texture, for both
// texture formats and every code path (path:0 scalar, 1 SSE2, 2 SSSE3), against a plain memcpy
// of the same number of texture bytes. Host only.
//
// Each iteration times the conversion and then the memcpy with the same clock, so the
// counter x_memcpy (conversion time over memcpy time) compares the two under the same
// cache and clock conditions. The reported time per iteration is the conversion's; the best_
// counters repeat the comparison with the fastest pass of each.
#include "video/pixel_convert.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::vector<uint8_t> PatternFrame() {
  std::vector<uint8_t> frame(kFrameBytes);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = uint8_t(i * 131 + (i >> 9));
  return frame;
}

void RunConversion(benchmark::State& state, TextureFormat format) {
  const PixelPath path = static_cast<PixelPath>(state.range(0));
  if (!PixelPathRuns(path)) {
    state.SkipWithError("this processor cannot run that path");
    return;
  }
  const std::vector<uint8_t> frame = PatternFrame();
  const std::ptrdiff_t pitch = std::ptrdiff_t(kFrameSide) * TextureTexelBytes(format);
  const size_t textureBytes = size_t(pitch) * kFrameSide;
  std::vector<uint8_t> texture(textureBytes);
  std::vector<uint8_t> copySource(textureBytes, 0x5A);

  double convertSeconds = 0;
  double copySeconds = 0;
  double bestConvert = 1e9;  // the shared build machine preempts runs; the best pass shows the code's own cost
  double bestCopy = 1e9;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    const bool done = ConvertFrameToTexture(frame.data(), format, texture.data(), pitch, path);
    benchmark::DoNotOptimize(done);
    benchmark::ClobberMemory();
    const Clock::time_point converted = Clock::now();
    std::memcpy(texture.data(), copySource.data(), textureBytes);
    benchmark::DoNotOptimize(texture.data());
    benchmark::ClobberMemory();
    const Clock::time_point copied = Clock::now();

    const double convertTime = std::chrono::duration<double>(converted - start).count();
    const double copyTime = std::chrono::duration<double>(copied - converted).count();
    convertSeconds += convertTime;
    copySeconds += copyTime;
    bestConvert = std::min(bestConvert, convertTime);
    bestCopy = std::min(bestCopy, copyTime);
    state.SetIterationTime(convertTime);
  }
  const double iterations = double(state.iterations());
  state.counters["texels"] = double(kFrameSide) * kFrameSide;
  state.counters["ns_per_texel"] = convertSeconds * 1e9 / (iterations * kFrameSide * kFrameSide);
  state.counters["memcpy_us"] = copySeconds * 1e6 / iterations;
  state.counters["x_memcpy"] = copySeconds > 0 ? convertSeconds / copySeconds : 0;
  state.counters["best_us"] = bestConvert * 1e6;
  state.counters["best_memcpy_us"] = bestCopy * 1e6;
  state.counters["best_x_memcpy"] = bestCopy > 0 ? bestConvert / bestCopy : 0;
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(textureBytes));
}

void BM_ConvertA8R8G8B8(benchmark::State& state) { RunConversion(state, TextureFormat::A8R8G8B8); }
void BM_ConvertA1R5G5B5(benchmark::State& state) { RunConversion(state, TextureFormat::A1R5G5B5); }

BENCHMARK(BM_ConvertA8R8G8B8)->ArgName("path")->DenseRange(0, 2)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ConvertA1R5G5B5)->ArgName("path")->DenseRange(0, 2)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
