// Cost of converting one decoded NV12 picture into the 24-bit rows the frame scaler takes, at
// the two sizes that matter most: 1920x1080 in the 1088-line buffer decoders give it (BT.709)
// and 720x576 (BT.601). Host only. Reports milliseconds per picture; with repetitions, the
// _min line is the one to read on a shared machine.
#include "video/picture_convert.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

void BM_ConvertNv12Picture(benchmark::State& state) {
  DecodedPicture picture;
  picture.format = DecodedFormat::Nv12;
  picture.width = int32_t(state.range(0));
  picture.height = int32_t(state.range(1));
  picture.stride = picture.width;
  picture.planeRows = (picture.height + 15) / 16 * 16;
  const YuvMatrix matrix = MatrixForSize(picture.width, picture.height);

  // Noise, so that no branch of the clamps is always taken.
  std::vector<uint8_t> source(DecodedPictureBytes(picture));
  uint32_t seed = 12345;
  for (uint8_t& byte : source) byte = uint8_t((seed = seed * 1664525u + 1013904223u) >> 24);
  std::vector<uint8_t> rows(Rgb24PictureBytes(picture.width, picture.height));

  for (auto _ : state) {
    benchmark::DoNotOptimize(ConvertPictureToRgb24(source.data(), source.size(), picture, matrix, rows.data()));
    benchmark::ClobberMemory();
  }
  state.counters["ns_per_pixel"] =
      benchmark::Counter(double(picture.width) * picture.height,
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(source.size()));
}

BENCHMARK(BM_ConvertNv12Picture)
    ->ArgNames({"width", "height"})
    ->Args({1920, 1080})
    ->Args({720, 576})
    ->Unit(benchmark::kMillisecond);

}  // namespace
