// Tests of the frame scaler against what it is defined to draw: uniform pictures stay
// exact, pictures land upright for either sign of the height, frame pixels are the area mean
// (longer sides) or the linear interpolation (shorter sides) of the source, refused sources
// leave the frame alone, and both paths and both row orders give the same bytes.
#include "video/frame_scaler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "pixel_paths_here.h"

namespace {

using Bgr = std::array<uint8_t, 3>;  // bytes B, G, R as stored

// Pixel at column x, line y counted from the top of the picture.
using PixelAt = std::function<Bgr(int x, int y)>;

// A source frame laid out as a decoder delivers it: rows padded to 4 bytes, the bottom line
// first for a positive height, the top line first for a negative one.
std::vector<uint8_t> MakeSource(int32_t width, int32_t height, const PixelAt& pixel) {
  const int32_t rows = height < 0 ? -height : height;
  const size_t pitch = (size_t(width) * 3 + 3) / 4 * 4;
  std::vector<uint8_t> bytes(pitch * rows, 0xEE);  // row fill that no frame pixel may show
  for (int32_t y = 0; y < rows; ++y) {
    uint8_t* row = &bytes[pitch * size_t(height < 0 ? y : rows - 1 - y)];
    for (int32_t x = 0; x < width; ++x) std::memcpy(row + 3 * x, pixel(x, y).data(), 3);
  }
  return bytes;
}

Bgr Noise(int x, int y) {
  const uint32_t m = ((uint32_t(x) * 73856093u) ^ (uint32_t(y) * 19349663u)) * 2654435761u;
  return {uint8_t(m >> 24), uint8_t(m >> 16), uint8_t(m >> 8)};
}

std::vector<uint8_t> Scaled(const std::vector<uint8_t>& source, int32_t width, int32_t height, PixelPath path) {
  std::vector<uint8_t> frame(kFrameBytes, 0xCD);
  FrameScaler scaler;
  EXPECT_TRUE(scaler.Scale(source.data(), source.size(), width, height, frame.data(), path));
  return frame;
}

// The weights that define one direction of the scaling, in double: the share of output i
// that each source pixel covers when the source is longer than 256, else linear
// interpolation at the aligned pixel centre (i + 0.5) * side / 256 - 0.5, clamped.
std::vector<std::vector<std::pair<int, double>>> DefinedWeights(int side) {
  std::vector<std::vector<std::pair<int, double>>> weights(kFrameSide);
  const double scale = double(side) / kFrameSide;
  for (int i = 0; i < kFrameSide; ++i) {
    if (side > kFrameSide) {
      const double low = i * scale, high = (i + 1) * scale;
      for (int j = int(low); j < side && j < high; ++j) {
        weights[i].push_back({j, (std::min(high, j + 1.0) - std::max(low, double(j))) / scale});
      }
    } else {
      const double centre = std::min(std::max((i + 0.5) * scale - 0.5, 0.0), side - 1.0);
      const int below = int(centre);
      weights[i].push_back({below, 1 - (centre - below)});
      if (below + 1 < side) weights[i].push_back({below + 1, centre - below});
    }
  }
  return weights;
}

// The frame as defined, unrounded: channel c of frame pixel (x, row from the bottom).
std::vector<double> DefinedFrame(int32_t width, int32_t height, const PixelAt& pixel) {
  const auto across = DefinedWeights(width);
  const auto down = DefinedWeights(height);
  std::vector<double> frame(kFrameBytes);
  for (int row = 0; row < kFrameSide; ++row) {
    for (int x = 0; x < kFrameSide; ++x) {
      double* out = &frame[size_t(row) * kFramePitch + 3 * x];
      for (const auto& [line, wy] : down[kFrameSide - 1 - row]) {  // line counted from the top
        for (const auto& [column, wx] : across[x]) {
          const Bgr p = pixel(column, line);
          for (int c = 0; c < 3; ++c) out[c] += wx * wy * p[c];
        }
      }
    }
  }
  return frame;
}

double Psnr(const std::vector<uint8_t>& frame, const std::vector<double>& defined) {
  double squares = 0;
  for (size_t i = 0; i < frame.size(); ++i) squares += (frame[i] - defined[i]) * (frame[i] - defined[i]);
  return 10 * std::log10(255.0 * 255.0 / (squares / frame.size()));
}

struct Size {
  int32_t width, height;
};

std::string SizeName(const ::testing::TestParamInfo<Size>& info) {
  return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
}

class ScalerUniformTest : public ::testing::TestWithParam<Size> {};

TEST_P(ScalerUniformTest, EveryFramePixelKeepsTheColourExactly) {
  const Size s = GetParam();
  for (const Bgr colour : {Bgr{0, 0, 0}, Bgr{255, 255, 255}, Bgr{12, 200, 77}}) {
    for (const int32_t height : {s.height, -s.height}) {
      const std::vector<uint8_t> source = MakeSource(s.width, height, [&](int, int) { return colour; });
      for (PixelPath path : PathsHere()) {
        SCOPED_TRACE(std::string(PathName(path)) + ", height " + std::to_string(height));
        const std::vector<uint8_t> frame = Scaled(source, s.width, height, path);
        for (size_t i = 0; i < frame.size(); ++i) ASSERT_EQ(frame[i], colour[i % 3]) << "byte " << i;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ScalerUniformTest,
                         ::testing::Values(Size{1, 1}, Size{17, 9}, Size{255, 255}, Size{256, 256}, Size{257, 257},
                                           Size{321, 241}, Size{720, 576}, Size{1920, 1080}),
                         SizeName);

class ScalerQuadrantTest : public ::testing::TestWithParam<Size> {};

// Red upper left, green upper right, blue lower left, white lower right. The frame is
// sampled an eighth in from its corners, where every size covers one quadrant only.
TEST_P(ScalerQuadrantTest, EachColourLandsInItsQuadrant) {
  const Size s = GetParam();
  const PixelAt quadrants = [&](int x, int y) {
    const bool left = x < s.width / 2, upper = y < s.height / 2;
    if (upper) return left ? Bgr{0, 0, 255} : Bgr{0, 255, 0};
    return left ? Bgr{255, 0, 0} : Bgr{255, 255, 255};
  };
  const struct Sample {
    int x, row;
    Bgr colour;
  } samples[] = {{32, 223, {0, 0, 255}}, {223, 223, {0, 255, 0}}, {32, 32, {255, 0, 0}}, {223, 32, {255, 255, 255}}};
  for (const int32_t height : {s.height, -s.height}) {
    const std::vector<uint8_t> source = MakeSource(s.width, height, quadrants);
    for (PixelPath path : PathsHere()) {
      SCOPED_TRACE(std::string(PathName(path)) + ", height " + std::to_string(height));
      const std::vector<uint8_t> frame = Scaled(source, s.width, height, path);
      for (const Sample& sample : samples) {  // frame rows count from the bottom
        Bgr p;
        std::memcpy(p.data(), &frame[size_t(sample.row) * kFramePitch + 3 * sample.x], 3);
        EXPECT_EQ(p, sample.colour) << "column " << sample.x << " row " << sample.row;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ScalerQuadrantTest,
                         ::testing::Values(Size{2, 2}, Size{5, 3}, Size{257, 255}, Size{640, 480}, Size{1920, 1080},
                                           Size{100, 3000}),
                         SizeName);

class ScalerDefinitionTest : public ::testing::TestWithParam<Size> {};

// Fixed-point weights and one rounding may move a channel by less than one step from the
// exact value, never by a whole step.
TEST_P(ScalerDefinitionTest, NoisePictureWithinOneStepOfTheExactValue) {
  const Size s = GetParam();
  const std::vector<double> defined = DefinedFrame(s.width, s.height, Noise);
  const std::vector<uint8_t> source = MakeSource(s.width, s.height, Noise);
  for (PixelPath path : PathsHere()) {
    SCOPED_TRACE(PathName(path));
    const std::vector<uint8_t> frame = Scaled(source, s.width, s.height, path);
    for (size_t i = 0; i < frame.size(); ++i) {
      ASSERT_LT(std::fabs(frame[i] - defined[i]), 1.0) << "byte " << i << " (row " << i / kFramePitch << ")";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ScalerDefinitionTest,
                         ::testing::Values(Size{3, 5}, Size{200, 100}, Size{257, 255}, Size{641, 479}, Size{1000, 3},
                                           Size{3, 1000}, Size{1920, 1080}, Size{16384, 2}, Size{2, 16384}),
                         SizeName);

TEST(FrameScaler, OnePixelCheckerboardAt1920x1080ReachesFortyDecibels) {
  const PixelAt checkerboard = [](int x, int y) {
    const uint8_t v = (x + y) % 2 ? 255 : 0;
    return Bgr{v, v, v};
  };
  const std::vector<double> defined = DefinedFrame(1920, 1080, checkerboard);
  const std::vector<uint8_t> source = MakeSource(1920, 1080, checkerboard);
  for (PixelPath path : PathsHere()) {
    EXPECT_GE(Psnr(Scaled(source, 1920, 1080, path), defined), 40.0) << PathName(path);
  }
}

// One scaler goes through all sizes and paths in turn, so a table left from the previous
// size would show; each result must equal a fresh scaler's on the bottom-up source.
TEST(FrameScaler, PathsAndRowOrdersGiveTheSameBytesOnNoiseOfOddSizes) {
  const Size sizes[] = {{1, 1},     {3, 7},     {7, 3},     {33, 17},     {255, 257},
                        {257, 255}, {321, 241}, {641, 479}, {1921, 1081}, {5, 2001}};
  FrameScaler reused;
  for (const Size& s : sizes) {
    SCOPED_TRACE(std::to_string(s.width) + "x" + std::to_string(s.height));
    const std::vector<uint8_t> bottomUp = MakeSource(s.width, s.height, Noise);
    std::vector<uint8_t> expected(kFrameBytes);
    ASSERT_TRUE(ScaleFrame(bottomUp.data(), bottomUp.size(), s.width, s.height, expected.data()));
    for (const int32_t height : {s.height, -s.height}) {
      const std::vector<uint8_t> source = height < 0 ? MakeSource(s.width, height, Noise) : bottomUp;
      for (PixelPath path : {PixelPath::Sse2, PixelPath::Scalar}) {
        if (!PixelPathRuns(path)) continue;
        std::vector<uint8_t> frame(kFrameBytes, 0xCD);
        ASSERT_TRUE(reused.Scale(source.data(), source.size(), s.width, height, frame.data(), path));
        ASSERT_EQ(frame, expected) << PathName(path) << ", height " << height;
      }
    }
  }
}

struct Refusal {
  const char* name;
  int32_t width, height;
  uint64_t bytes;  // 17 pixels take rows of 52 bytes
};

const Refusal kRefusals[] = {
    {"ShortByOneByte", 17, 9, 52 * 9 - 1},
    {"TopDownShortByOneByte", 17, -9, 52 * 9 - 1},
    {"NoBytes", 17, 9, 0},
    {"ZeroWidth", 0, 9, 1 << 16},
    {"ZeroHeight", 17, 0, 1 << 16},
    {"NegativeWidth", -17, 9, 1 << 16},
    {"WidthPastLargest", 16385, 1, 1 << 16},
    {"HeightPastLargest", 1, -16385, 1 << 16},
    {"MostNegativeHeight", 1, INT32_MIN, 1 << 16},
};

class ScalerRefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(ScalerRefusalTest, ReturnsFalseAndLeavesTheFrameAlone) {
  const Refusal& r = GetParam();
  const std::vector<uint8_t> source(1 << 16, 0x40);  // never shorter than `bytes`
  for (PixelPath path : PathsHere()) {
    std::vector<uint8_t> frame(kFrameBytes, 0xCD);
    FrameScaler scaler;
    EXPECT_FALSE(scaler.Scale(source.data(), r.bytes, r.width, r.height, frame.data(), path)) << PathName(path);
    EXPECT_EQ(frame, std::vector<uint8_t>(kFrameBytes, 0xCD)) << PathName(path);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ScalerRefusalTest, ::testing::ValuesIn(kRefusals),
                         [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

}  // namespace

// ---- Frames of other sizes -----------------------------------------------------------------

struct OutputCase {
  Size source, output;
};

// A source of the frame's own size must come through untouched (one-pixel detail stays); a
// uniform picture stays exactly uniform whatever the sizes; every path gives the scalar
// path's bytes, odd widths and both row orders included.
TEST(FrameScaler, FramesOfAnySizeKeepDetailAndAgreeOnEveryPath) {
  // clang-format off
  const OutputCase cases[] = {
    {{1920, 1080}, {1920, 1080}}, {{257, 300}, {257, 300}}, {{1921, 1081}, {641, 359}},
    {{100, 75}, {1366, 768}},     {{3840, 2160}, {1920, 1080}}, {{16384, 300}, {257, 256}},
  };
  // clang-format on
  const Bgr grey = {90, 140, 200};
  for (const OutputCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.source.width) + "x" + std::to_string(c.source.height) + " into " +
                 std::to_string(c.output.width) + "x" + std::to_string(c.output.height));
    const FrameSize output{c.output.width, c.output.height};
    const std::ptrdiff_t pitch = FramePitch(output.width);
    const bool same = c.source.width == c.output.width && c.source.height == c.output.height;
    std::vector<uint8_t> expected(FrameBytes(output), 0xCD);
    FrameScaler scaler;
    const std::vector<uint8_t> noise = MakeSource(c.source.width, c.source.height, Noise);
    ASSERT_TRUE(scaler.Scale(noise.data(), noise.size(), c.source.width, c.source.height, expected.data(), output,
                             PixelPath::Scalar));
    for (int y = 0; same && y < output.height; ++y)
      ASSERT_EQ(0, std::memcmp(&expected[y * pitch], &noise[y * pitch], 3 * size_t(output.width))) << "row " << y;
    for (const int32_t height : {c.source.height, -c.source.height}) {
      const std::vector<uint8_t> source = MakeSource(c.source.width, height, Noise);
      for (PixelPath path : PathsHere()) {
        std::vector<uint8_t> frame(FrameBytes(output), 0xCD);
        ASSERT_TRUE(scaler.Scale(source.data(), source.size(), c.source.width, height, frame.data(), output, path));
        EXPECT_EQ(frame, expected) << PathName(path) << ", height " << height;
      }
    }
    const std::vector<uint8_t> uniform = MakeSource(c.source.width, c.source.height, [&](int, int) { return grey; });
    std::vector<uint8_t> frame(FrameBytes(output), 0xCD);
    ASSERT_TRUE(scaler.Scale(uniform.data(), uniform.size(), c.source.width, c.source.height, frame.data(), output,
                             BestPixelPath()));
    for (int y = 0; y < output.height; ++y)
      for (int x = 0; x < output.width; ++x)
        ASSERT_EQ(0, std::memcmp(&frame[y * pitch + 3 * x], grey.data(), 3)) << x << "," << y;
  }
}
