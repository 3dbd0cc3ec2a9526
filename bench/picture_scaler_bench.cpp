// Cost of drawing one decoded picture into a frame of the screen's size, per code path,
// against what it is weighed by: a memcpy of the texture's bytes (4 per pixel) and the order
// the picture scaler replaces (the whole picture converted to B,G,R rows at its own size, then
// scaled). Host only. Reports milliseconds per frame; with repetitions, the _min line is the
// one to read on a shared machine.
//
//   BM_DrawPicture      PictureScaler::Draw alone, from NV12
//   BM_DrawAndTexture   the same plus the copy of the frame into an A8R8G8B8 texture, from
//                       NV12, bottom-up RGB24 and top-down RGB32 (format 0, 1, 2)
//   BM_ConvertThenScale ConvertPictureToRgb24 at the picture's size, then FrameScaler
//   BM_TextureMemcpy    memcpy of width * height * 4 bytes
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "video/frame_scaler.h"
#include "video/picture_convert.h"
#include "video/picture_scaler.h"
#include "video/pixel_convert.h"

namespace {

// Noise, so that no branch of the clamps is always taken; 16-line padding as decoders give.
struct Picture {
  DecodedPicture picture;
  std::vector<uint8_t> bytes;
};

Picture MakePicture(DecodedFormat format, int width, int height) {
  Picture p;
  switch (format) {
    case DecodedFormat::Rgb24:  // as a renderer's RGB24 media type: bottom-up, rows padded to 4
      p.picture = {format, width, height, int32_t(FramePitch(width)), 0, true};
      break;
    case DecodedFormat::Rgb32:
      p.picture = {format, width, height, 4 * width, 0, false};
      break;
    default:
      p.picture = {format, width, height, width, (height + 15) / 16 * 16, false};
      break;
  }
  p.bytes.resize(DecodedPictureBytes(p.picture));
  uint32_t seed = 12345;
  for (uint8_t& byte : p.bytes) byte = uint8_t((seed = seed * 1664525u + 1013904223u) >> 24);
  return p;
}

Picture MakeNv12(int width, int height) { return MakePicture(DecodedFormat::Nv12, width, height); }

// The third argument: 0 scalar, 1 SSE2, 2 SSSE3 (the conversion's byte shuffles).
PixelPath PathOf(const benchmark::State& state) { return static_cast<PixelPath>(state.range(2)); }

bool Runs(benchmark::State& state) {
  if (PixelPathRuns(PathOf(state))) return true;
  state.SkipWithError("this processor does not run the path");
  return false;
}

// Source and frame the same size, as a video that fills a screen of its own size.
void BM_DrawPicture(benchmark::State& state) {
  if (!Runs(state)) return;
  const int width = int(state.range(0)), height = int(state.range(1));
  const Picture source = MakeNv12(width, height);
  const FrameSize output{width, height};
  std::vector<uint8_t> frame(FrameBytes(output));
  PictureScaler scaler;
  for (auto _ : state) {
    benchmark::DoNotOptimize(scaler.Draw(source.bytes.data(), source.bytes.size(), source.picture, YuvMatrix::Bt709,
                                         frame.data(), output, PathOf(state)));
    benchmark::ClobberMemory();
  }
}

void BM_DrawAndTexture(benchmark::State& state) {
  if (!Runs(state)) return;
  const int width = int(state.range(0)), height = int(state.range(1));
  constexpr DecodedFormat kFormats[] = {DecodedFormat::Nv12, DecodedFormat::Rgb24, DecodedFormat::Rgb32};
  const Picture source = MakePicture(kFormats[state.range(3)], width, height);
  const FrameSize output{width, height};
  std::vector<uint8_t> frame(FrameBytes(output)), texture(size_t(width) * height * 4);
  PictureScaler scaler;
  for (auto _ : state) {
    scaler.Draw(source.bytes.data(), source.bytes.size(), source.picture, YuvMatrix::Bt709, frame.data(), output,
                PathOf(state));
    ConvertFrameToTexture(frame.data(), output, TextureFormat::A8R8G8B8, texture.data(), std::ptrdiff_t(width) * 4,
                          PathOf(state));
    benchmark::ClobberMemory();
  }
}

void BM_ConvertThenScale(benchmark::State& state) {
  if (!Runs(state)) return;
  const int width = int(state.range(0)), height = int(state.range(1));
  const Picture source = MakeNv12(width, height);
  const FrameSize output{width, height};
  std::vector<uint8_t> rows(Rgb24PictureBytes(width, height)), frame(FrameBytes(output));
  FrameScaler scaler;
  for (auto _ : state) {
    ConvertPictureToRgb24(source.bytes.data(), source.bytes.size(), source.picture, YuvMatrix::Bt709, rows.data());
    scaler.Scale(rows.data(), rows.size(), width, -height, frame.data(), output, PathOf(state));
    benchmark::ClobberMemory();
  }
}

void BM_TextureMemcpy(benchmark::State& state) {
  const size_t bytes = size_t(state.range(0)) * size_t(state.range(1)) * 4;
  std::vector<uint8_t> from(bytes, 1), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::ClobberMemory();
  }
}

const auto kMin = [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); };

BENCHMARK(BM_DrawPicture)
    ->ArgNames({"width", "height", "path"})
    ->ArgsProduct({{1920}, {1080}, {0, 1, 2}})
    ->ArgsProduct({{3840}, {2160}, {0, 1, 2}})
    ->ComputeStatistics("min", kMin)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawAndTexture)
    ->ArgNames({"width", "height", "path", "format"})
    ->ArgsProduct({{1920}, {1080}, {2}, {0, 1, 2}})
    ->ArgsProduct({{3840}, {2160}, {2}, {0, 1, 2}})
    ->ComputeStatistics("min", kMin)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertThenScale)
    ->ArgNames({"width", "height", "path"})
    ->Args({1920, 1080, 1})
    ->Args({3840, 2160, 1})
    ->ComputeStatistics("min", kMin)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextureMemcpy)
    ->ArgNames({"width", "height"})
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->ComputeStatistics("min", kMin)
    ->Unit(benchmark::kMillisecond);

}  // namespace
