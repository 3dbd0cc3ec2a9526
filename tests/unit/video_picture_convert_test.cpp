// Tests of the decoded-picture conversion against the BT.601 and BT.709 definitions: every
// code value within rounding of the formula (black and white exactly), colour bars through
// either matrix; each layout's plane order, line order, padding and odd sizes, read to their
// last byte and no further; refused layouts leave the destination alone.
#include "video/picture_convert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bgr = std::array<double, 3>;
using Codes = std::array<uint8_t, 3>;  // Y, Cb, Cr; or B, G, R for the RGB formats

struct Matrix {
  YuvMatrix id;
  double kr, kb;
};

constexpr Matrix kBt601{YuvMatrix::Bt601, 0.299, 0.114};
constexpr Matrix kBt709{YuvMatrix::Bt709, 0.2126, 0.0722};

// Rounded to nearest, give or take the fixed point's last bits.
constexpr double kRounding = 0.5 + 1.0 / 1024;

// The limited-range definition, clamped, unrounded. G comes from Y = Kr R + Kg G + Kb B.
Bgr Defined(Codes c, const Matrix& m) {
  const double y = 255.0 / 219 * (c[0] - 16), pb = 255.0 / 112 * (c[1] - 128), pr = 255.0 / 112 * (c[2] - 128);
  const double r = y + (1 - m.kr) * pr, b = y + (1 - m.kb) * pb;
  const double g = (y - m.kr * r - m.kb * b) / (1 - m.kr - m.kb);
  const auto clamp = [](double v) { return std::min(255.0, std::max(0.0, v)); };
  return {clamp(b), clamp(g), clamp(r)};
}

// The codes of R, G, B given as fractions of full scale, rounded.
Codes Encoded(double r, double g, double b, const Matrix& m) {
  const double y = m.kr * r + (1 - m.kr - m.kb) * g + m.kb * b;
  const auto code = [](double v) { return uint8_t(std::lround(v)); };
  return {code(16 + 219 * y), code(128 + 112 * (b - y) / (1 - m.kb)), code(128 + 112 * (r - y) / (1 - m.kr))};
}

using CodesAt = std::function<Codes(int x, int y)>;  // y counted from the top

// A picture's bytes as the layout places them, ending at the last byte a pixel owns; bytes no
// pixel owns are 0xEE. A 2x2 block (a pair for YUY2) takes the chroma of its top-left pixel.
std::vector<uint8_t> Build(const DecodedPicture& p, const CodesAt& codes) {
  std::vector<uint8_t> bytes;
  const auto put = [&](size_t at, uint8_t value) {
    if (at >= bytes.size()) bytes.resize(at + 1, 0xEE);
    bytes[at] = value;
  };
  const size_t s = p.stride, rows = p.planeRows ? p.planeRows : p.height, c = (s + 1) / 2;
  const size_t first = s * rows, second = first + c * ((rows + 1) / 2);  // chroma planes
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      const Codes v = codes(x, y);
      const size_t line = size_t(p.bottomUp ? p.height - 1 - y : y) * s, chroma = y / 2 * c + x / 2;
      const bool corner = x % 2 == 0 && y % 2 == 0;
      switch (p.format) {
        case DecodedFormat::Nv12:
          put(line + x, v[0]);
          if (corner) put(first + y / 2 * s + x, v[1]), put(first + y / 2 * s + x + 1, v[2]);
          break;
        case DecodedFormat::I420:
          put(line + x, v[0]);
          if (corner) put(first + chroma, v[1]), put(second + chroma, v[2]);
          break;
        case DecodedFormat::Yv12:
          put(line + x, v[0]);
          if (corner) put(second + chroma, v[1]), put(first + chroma, v[2]);
          break;
        case DecodedFormat::Yuy2:
          put(line + 4 * (x / 2) + 2 * (x % 2), v[0]);
          if (x % 2 == 0) put(line + 4 * (x / 2) + 1, v[1]), put(line + 4 * (x / 2) + 3, v[2]);
          break;
        case DecodedFormat::Uyvy:  // an odd width's last pair still ends in a Y1 byte
          if (x % 2 == 0)
            put(line + 4 * (x / 2), v[1]), put(line + 4 * (x / 2) + 2, v[2]), put(line + 4 * (x / 2) + 3, 0xEE);
          put(line + 4 * (x / 2) + 1 + 2 * (x % 2), v[0]);
          break;
        case DecodedFormat::Rgb32:
          for (int i = 0; i < 4; ++i) put(line + 4 * x + i, i < 3 ? v[i] : 0x77);
          break;
        case DecodedFormat::Rgb24:
          for (int i = 0; i < 3; ++i) put(line + 3 * x + i, v[i]);
          break;
      }
    }
  }
  return bytes;
}

std::vector<uint8_t> Converted(const std::vector<uint8_t>& source, const DecodedPicture& p, const Matrix& m) {
  std::vector<uint8_t> out(Rgb24PictureBytes(p.width, p.height), 0xCD);
  EXPECT_TRUE(ConvertPictureToRgb24(source.data(), source.size(), p, m.id, out.data()));
  return out;
}

// Every pixel within rounding of `expected`, top line first, and the row fill zero.
void ExpectPicture(const std::vector<uint8_t>& out, const DecodedPicture& p,
                   const std::function<Bgr(int x, int y)>& expected) {
  const size_t pitch = (size_t(p.width) * 3 + 3) / 4 * 4;
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      const Bgr e = expected(x, y);
      for (int i = 0; i < 3; ++i) ASSERT_NEAR(out[y * pitch + 3 * x + i], e[i], kRounding) << x << "," << y << " " << i;
    }
    for (size_t i = size_t(p.width) * 3; i < pitch; ++i) ASSERT_EQ(out[y * pitch + i], 0) << "fill of line " << y;
  }
}

Codes Noise(int x, int y) {
  const uint32_t m = ((uint32_t(x) * 73856093u) ^ (uint32_t(y) * 19349663u)) * 2654435761u;
  return {uint8_t(m >> 24), uint8_t(m >> 16), uint8_t(m >> 8)};
}

// ---- Colour values ------------------------------------------------------------------------

// Where the definition gives a whole number (black 16,128,128 is 0; white 235,128,128 is 255;
// anything clamped) this tolerance leaves only that number.
TEST(PictureConvert, EveryCodeValueWithinRoundingOfTheDefinition) {
  // One Cb per picture: its 256 lines are the Cr values, its 256 pixels the Y values.
  const DecodedPicture p{DecodedFormat::Yuy2, 256, 256, 512, 0, false};
  std::vector<uint8_t> source(512 * 256), out(Rgb24PictureBytes(256, 256));
  for (const Matrix& m : {kBt601, kBt709}) {
    for (int cb = 0; cb < 256; ++cb) {
      for (size_t i = 0; i < source.size(); i += 4) {
        const uint8_t cr = uint8_t(i / 512), y = uint8_t(i % 512 / 2);
        source[i] = y, source[i + 1] = uint8_t(cb), source[i + 2] = uint8_t(y + 1), source[i + 3] = cr;
      }
      ASSERT_TRUE(ConvertPictureToRgb24(source.data(), source.size(), p, m.id, out.data()));
      double worst = 0;
      size_t worstAt = 0;
      for (size_t i = 0; i < out.size(); i += 3) {
        const Bgr e = Defined({uint8_t(i / 3 % 256), uint8_t(cb), uint8_t(i / 768)}, m);
        for (int c = 0; c < 3; ++c) {
          if (std::fabs(out[i + c] - e[c]) > worst) worst = std::fabs(out[i + c] - e[c]), worstAt = i;
        }
      }
      ASSERT_LE(worst, kRounding) << "Y " << worstAt / 3 % 256 << " Cb " << cb << " Cr " << worstAt / 768;
    }
  }
}

// Codes encoded from 75% bars by each matrix's own Kr and Kb come back to the bars; read
// with the other matrix, a saturated colour does not.
TEST(PictureConvert, SeventyFivePercentBarsComeBackThroughTheirOwnMatrixOnly) {
  const double bars[][3] = {{.75, .75, .75}, {.75, .75, 0}, {0, .75, .75}, {0, .75, 0},
                            {.75, 0, .75},   {.75, 0, 0},   {0, 0, .75}};
  const DecodedPicture p{DecodedFormat::Nv12, 2, 2, 2, 0, false};
  for (const auto& [m, other] : {std::pair{kBt601, kBt709}, std::pair{kBt709, kBt601}}) {
    for (const auto& bar : bars) {
      const std::vector<uint8_t> source = Build(p, [&](int, int) { return Encoded(bar[0], bar[1], bar[2], m); });
      const std::vector<uint8_t> out = Converted(source, p, m);
      for (int i = 0; i < 3; ++i) EXPECT_NEAR(out[i], 255 * bar[2 - i], 2.0) << "Kr " << m.kr << " channel " << i;
    }
    const std::vector<uint8_t> red = Build(p, [&](int, int) { return Encoded(.75, 0, 0, m); });
    const std::vector<uint8_t> own = Converted(red, p, m), misread = Converted(red, p, other);
    int apart = 0;
    for (int i = 0; i < 3; ++i) apart = std::max(apart, std::abs(own[i] - misread[i]));
    EXPECT_GT(apart, 10) << "red, Kr " << m.kr;
  }
}

// ---- Layouts ------------------------------------------------------------------------------

struct LayoutCase {
  const char* name;
  DecodedPicture picture;
};

const LayoutCase kLayouts[] = {
    {"Nv12_OddSides", {DecodedFormat::Nv12, 5, 3, 6, 0, false}},
    {"Nv12_PaddedStrideAndRows", {DecodedFormat::Nv12, 6, 6, 8, 8, false}},
    {"Nv12_LongLines", {DecodedFormat::Nv12, 37, 9, 40, 10, false}},
    {"I420_OddStride", {DecodedFormat::I420, 5, 3, 5, 0, false}},
    {"I420_PaddedStrideAndRows", {DecodedFormat::I420, 6, 6, 8, 8, false}},
    {"I420_OddPlaneRows", {DecodedFormat::I420, 7, 5, 9, 7, false}},
    {"Yv12_PaddedStrideAndRows", {DecodedFormat::Yv12, 6, 6, 8, 8, false}},
    {"Yuy2_OddWidth", {DecodedFormat::Yuy2, 5, 3, 12, 0, false}},
    {"Yuy2_PaddedStrideAndRows", {DecodedFormat::Yuy2, 6, 6, 16, 8, false}},
    {"Uyvy_OddWidth", {DecodedFormat::Uyvy, 5, 3, 12, 0, false}},
    {"Uyvy_PaddedStrideAndRows", {DecodedFormat::Uyvy, 6, 6, 16, 8, false}},
    {"Rgb32_TopDown", {DecodedFormat::Rgb32, 5, 3, 20, 0, false}},
    {"Rgb32_BottomUp", {DecodedFormat::Rgb32, 5, 3, 24, 0, true}},
    {"Rgb24_TopDown", {DecodedFormat::Rgb24, 5, 3, 15, 0, false}},
    {"Rgb24_BottomUp", {DecodedFormat::Rgb24, 5, 3, 16, 0, true}},
};

class PictureLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

// The source is exactly as long as its pixels reach (under AddressSanitizer a read past it
// fails); one byte less is refused.
TEST_P(PictureLayoutTest, NoisePictureComesOutUprightWithinRoundingFromExactlyItsBytes) {
  const DecodedPicture& p = GetParam().picture;
  const std::vector<uint8_t> source = Build(p, Noise);
  EXPECT_EQ(DecodedPictureBytes(p), source.size());
  const bool rgb = p.format == DecodedFormat::Rgb32 || p.format == DecodedFormat::Rgb24;
  for (const Matrix& m : {kBt601, kBt709}) {
    ExpectPicture(Converted(source, p, m), p, [&](int x, int y) {
      const Codes own = Noise(x, y);
      if (rgb) return Bgr{double(own[0]), double(own[1]), double(own[2])};
      const bool packed = p.format == DecodedFormat::Yuy2 || p.format == DecodedFormat::Uyvy;
      const Codes corner = Noise(x & ~1, packed ? y : y & ~1);  // the chroma's pixel
      return Defined({own[0], corner[1], corner[2]}, m);
    });
  }
  std::vector<uint8_t> out(Rgb24PictureBytes(p.width, p.height), 0xCD);
  EXPECT_FALSE(ConvertPictureToRgb24(source.data(), source.size() - 1, p, YuvMatrix::Bt601, out.data()));
  EXPECT_EQ(out, std::vector<uint8_t>(out.size(), 0xCD));
}

INSTANTIATE_TEST_SUITE_P(Layouts, PictureLayoutTest, ::testing::ValuesIn(kLayouts),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

const LayoutCase kImpossible[] = {
    {"ZeroWidth", {DecodedFormat::Nv12, 0, 4, 8, 0, false}},
    {"WidthPastLargest", {DecodedFormat::Rgb24, 16385, 1, 65536, 0, false}},
    {"ZeroHeight", {DecodedFormat::Nv12, 4, 0, 8, 0, false}},
    {"NegativeHeight", {DecodedFormat::Rgb32, 4, -4, 16, 0, false}},
    {"HeightPastLargest", {DecodedFormat::Yuy2, 2, 16385, 4, 0, false}},
    {"ZeroStride", {DecodedFormat::I420, 4, 4, 0, 0, false}},
    {"NegativeStride", {DecodedFormat::Rgb32, 4, 4, -16, 0, false}},
    {"Nv12_OddWidthStrideWithoutRoomForItsLastPair", {DecodedFormat::Nv12, 5, 4, 5, 0, false}},
    {"I420_StrideShortOfWidth", {DecodedFormat::I420, 6, 4, 5, 0, false}},
    {"Yuy2_StrideWithoutRoomForItsLastPair", {DecodedFormat::Yuy2, 5, 4, 10, 0, false}},
    {"Uyvy_StrideWithoutRoomForItsLastPair", {DecodedFormat::Uyvy, 5, 4, 10, 0, false}},
    {"Rgb32_StrideShortOfALine", {DecodedFormat::Rgb32, 5, 4, 19, 0, false}},
    {"Rgb24_StrideShortOfALine", {DecodedFormat::Rgb24, 5, 4, 14, 0, false}},
    {"PlaneRowsBelowHeight", {DecodedFormat::Nv12, 4, 4, 4, 3, false}},
    {"NegativePlaneRows", {DecodedFormat::I420, 4, 4, 4, -8, false}},
    {"UnknownFormat", {static_cast<DecodedFormat>(7), 4, 4, 16, 0, false}},
};

class ImpossibleLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(ImpossibleLayoutTest, NeedsNoBytesAndConvertsNothing) {
  const DecodedPicture& p = GetParam().picture;
  EXPECT_EQ(DecodedPictureBytes(p), 0u);
  const std::vector<uint8_t> source(1 << 20, 0x80);
  std::vector<uint8_t> out(1 << 16, 0xCD);
  EXPECT_FALSE(ConvertPictureToRgb24(source.data(), source.size(), p, YuvMatrix::Bt601, out.data()));
  EXPECT_EQ(out, std::vector<uint8_t>(out.size(), 0xCD));
}

INSTANTIATE_TEST_SUITE_P(Layouts, ImpossibleLayoutTest, ::testing::ValuesIn(kImpossible),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

// The largest strides and plane rows must not wrap: at least the luma plane's lines before
// the last, or refused where an address cannot reach that far.
TEST(PictureConvert, LargestLayoutsDoNotWrap) {
  for (int f = 0; f <= int(DecodedFormat::Uyvy); ++f) {
    const DecodedPicture p{static_cast<DecodedFormat>(f), 16384, 16384, INT32_MAX, INT32_MAX, false};
    const uint64_t bytes = DecodedPictureBytes(p);
    if (sizeof(void*) < 8) {
      EXPECT_EQ(bytes, 0u) << f;
    } else {
      EXPECT_GE(bytes, uint64_t(INT32_MAX) * 16383) << f;
    }
  }
}

TEST(PictureConvert, SizesOfTheConvertedPictureAndItsMatrix) {
  EXPECT_EQ(Rgb24PictureBytes(5, 3), 16u * 3);  // 15 bytes a row, filled to 16
  EXPECT_EQ(Rgb24PictureBytes(4, 2), 12u * 2);
  EXPECT_EQ(Rgb24PictureBytes(5, -3), 0u);
  EXPECT_EQ(Rgb24PictureBytes(16385, 1), 0u);
  const struct {
    int32_t width, height;
    YuvMatrix matrix;
  } cases[] = {{720, 576, YuvMatrix::Bt601},  {1024, 576, YuvMatrix::Bt601}, {1025, 576, YuvMatrix::Bt709},
               {1024, 577, YuvMatrix::Bt709}, {1280, 720, YuvMatrix::Bt709}, {1920, 1080, YuvMatrix::Bt709}};
  for (const auto& c : cases) EXPECT_EQ(MatrixForSize(c.width, c.height), c.matrix) << c.width << "x" << c.height;
}

}  // namespace
