// Tests of the picture scaler against what it must draw: a uniform picture in any layout comes
// out as ConvertPictureToRgb24's colour at any frame size; a picture of the frame's own size
// keeps its one-pixel detail; pictures land upright; each plane is scaled as the frame scaler
// scales pixels, on every path with the same bytes, from exactly the picture's bytes; refused
// pictures and frames leave the frame alone.
#include "video/picture_scaler.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "pixel_paths_here.h"

namespace {

using Codes = std::array<uint8_t, 3>;                // Y, Cb, Cr; B, G, R for the RGB layouts
using CodesAt = std::function<Codes(int x, int y)>;  // y counted from the top

// A picture's bytes as its layout places them, exactly DecodedPictureBytes long (a read past
// them fails under AddressSanitizer); bytes no pixel owns are 0xEE. A chroma sample takes the
// codes of the first pixel it covers.
std::vector<uint8_t> Build(const DecodedPicture& p, const CodesAt& at) {
  const DecodedPlanes planes = PlanesOf(p);
  std::vector<uint8_t> bytes(planes.bytes, 0xEE);
  const size_t s = p.stride, cs = planes.chromaStride;
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      const Codes v = at(x, y);
      const size_t line = size_t(y) * s, rgbLine = size_t(p.bottomUp ? p.height - 1 - y : y) * s;
      const bool corner = x % 2 == 0 && y % 2 == 0;
      switch (p.format) {
        case DecodedFormat::Nv12:
          bytes[line + x] = v[0];
          if (corner) bytes[planes.cbOffset + y / 2 * cs + x] = v[1], bytes[planes.crOffset + y / 2 * cs + x] = v[2];
          break;
        case DecodedFormat::I420:
        case DecodedFormat::Yv12:
          bytes[line + x] = v[0];
          if (corner)
            bytes[planes.cbOffset + y / 2 * cs + x / 2] = v[1], bytes[planes.crOffset + y / 2 * cs + x / 2] = v[2];
          break;
        case DecodedFormat::Yuy2:
        case DecodedFormat::Uyvy: {
          const bool yuy2 = p.format == DecodedFormat::Yuy2;
          bytes[line + 2 * x + (yuy2 ? 0 : 1)] = v[0];
          if (x % 2 == 0) bytes[line + 2 * x + (yuy2 ? 1 : 0)] = v[1], bytes[line + 2 * x + (yuy2 ? 3 : 2)] = v[2];
          break;
        }
        case DecodedFormat::Rgb24:
          std::memcpy(&bytes[rgbLine + 3 * x], v.data(), 3);
          break;
        case DecodedFormat::Rgb32:
          std::memcpy(&bytes[rgbLine + 4 * x], v.data(), 3);
          break;
      }
    }
  }
  return bytes;
}

Codes Noise(int x, int y) {
  const uint32_t m = ((uint32_t(x) * 73856093u) ^ (uint32_t(y) * 19349663u)) * 2654435761u;
  return {uint8_t(m >> 24), uint8_t(m >> 16), uint8_t(m >> 8)};
}

bool IsRgb(DecodedFormat f) { return f == DecodedFormat::Rgb24 || f == DecodedFormat::Rgb32; }

// The colour ConvertPictureToRgb24 gives these codes (B, G, R as they are for RGB layouts).
Codes ConvertedColour(DecodedFormat format, Codes codes, YuvMatrix matrix) {
  if (IsRgb(format)) return codes;
  const DecodedPicture p{DecodedFormat::I420, 1, 1, 1, 0, false};
  const std::vector<uint8_t> source = {codes[0], codes[1], codes[2]};
  std::vector<uint8_t> out(4);
  EXPECT_TRUE(ConvertPictureToRgb24(source.data(), source.size(), p, matrix, out.data()));
  return {out[0], out[1], out[2]};
}

Codes FramePixel(const std::vector<uint8_t>& frame, FrameSize output, int x, int rowFromBottom) {
  Codes c;
  std::memcpy(c.data(), &frame[size_t(rowFromBottom) * FramePitch(output.width) + 3 * x], 3);
  return c;
}

// A frame whose pixel at column x, row from the bottom, is pixel(x, row); row fill 0xCD.
std::vector<uint8_t> FrameOf(FrameSize output, const std::function<Codes(int x, int row)>& pixel) {
  std::vector<uint8_t> frame(FrameBytes(output), 0xCD);
  for (int row = 0; row < output.height; ++row)
    for (int x = 0; x < output.width; ++x)
      std::memcpy(&frame[size_t(row) * FramePitch(output.width) + 3 * x], pixel(x, row).data(), 3);
  return frame;
}

std::vector<uint8_t> Drawn(PictureScaler& scaler, const std::vector<uint8_t>& source, const DecodedPicture& p,
                           FrameSize output, PixelPath path, YuvMatrix matrix = YuvMatrix::Bt709) {
  std::vector<uint8_t> frame(FrameBytes(output), 0xCD);
  EXPECT_TRUE(scaler.Draw(source.data(), source.size(), p, matrix, frame.data(), output, path)) << int(p.format);
  return frame;
}

std::string Describe(const DecodedPicture& p, FrameSize output, PixelPath path) {
  return "format " + std::to_string(int(p.format)) + ", " + std::to_string(p.width) + "x" + std::to_string(p.height) +
         " into " + std::to_string(output.width) + "x" + std::to_string(output.height) + ", " + PathName(path);
}

// clang-format off
const DecodedPicture kUniformPictures[] = {
    {DecodedFormat::Nv12, 321, 241, 336, 256, false}, {DecodedFormat::I420, 1920, 1080, 1920, 1088, false},
    {DecodedFormat::Yv12, 255, 99, 257, 0, false},    {DecodedFormat::Yuy2, 641, 479, 1284, 0, false},
    {DecodedFormat::Uyvy, 100, 75, 200, 0, false},    {DecodedFormat::Rgb24, 17, 300, 52, 0, true},
    {DecodedFormat::Rgb32, 333, 201, 1332, 0, false},
};
const FrameSize kOutputs[] = {{256, 256}, {257, 256}, {1366, 768}};
// clang-format on

TEST(PictureScaler, UniformPictureComesOutAsItsConvertedColourEverywhere) {
  const Codes codes = {81, 90, 240};  // a saturated red in either matrix
  PictureScaler scaler;
  for (const DecodedPicture& p : kUniformPictures) {
    const std::vector<uint8_t> source = Build(p, [&](int, int) { return codes; });
    for (const FrameSize output : kOutputs) {
      for (const YuvMatrix matrix : {YuvMatrix::Bt601, YuvMatrix::Bt709}) {
        const Codes colour = ConvertedColour(p.format, codes, matrix);
        const std::vector<uint8_t> expected = FrameOf(output, [&](int, int) { return colour; });
        for (PixelPath path : PathsHere()) {
          ASSERT_EQ(Drawn(scaler, source, p, output, path, matrix), expected) << Describe(p, output, path);
        }
      }
    }
  }
}

// Black and white luma in a one-pixel checkerboard must come through pixel for pixel, not
// blurred: the reason the planes are scaled before they are converted.
TEST(PictureScaler, PictureOfTheFramesSizeKeepsOnePixelDetail) {
  const Codes black = {16, 128, 128}, white = {235, 128, 128};
  // clang-format off
  const DecodedPicture pictures[] = {
      {DecodedFormat::Nv12, 257, 256, 258, 0, false}, {DecodedFormat::I420, 320, 257, 320, 0, false},
      {DecodedFormat::Yuy2, 257, 256, 516, 0, false}, {DecodedFormat::Uyvy, 320, 257, 640, 0, false},
  };
  // clang-format on
  for (const DecodedPicture& p : pictures) {
    const std::vector<uint8_t> source = Build(p, [&](int x, int y) { return (x + y) % 2 ? white : black; });
    const FrameSize output{p.width, p.height};
    const std::vector<uint8_t> expected = FrameOf(output, [&](int x, int row) {
      const uint8_t level = (x + output.height - 1 - row) % 2 ? 255 : 0;
      return Codes{level, level, level};
    });
    for (PixelPath path : PathsHere()) {
      PictureScaler scaler;
      ASSERT_EQ(Drawn(scaler, source, p, output, path), expected) << Describe(p, output, path);
    }
  }
}

// An RGB picture of the frame's size is the frame itself, either way up: every byte, the X
// bytes dropped, the row fill left alone; odd widths end off the loops' groups of pixels.
TEST(PictureScaler, RgbPictureOfTheFramesSizeComesThroughByteForByte) {
  // clang-format off
  const DecodedPicture pictures[] = {
      {DecodedFormat::Rgb32, 263, 257, 1056, 0, false}, {DecodedFormat::Rgb32, 256, 258, 1024, 0, true},
      {DecodedFormat::Rgb24, 263, 257, 792, 0, false},  {DecodedFormat::Rgb24, 261, 256, 784, 0, true},
  };
  // clang-format on
  for (const DecodedPicture& p : pictures) {
    const std::vector<uint8_t> source = Build(p, Noise);
    const FrameSize output{p.width, p.height};
    const std::vector<uint8_t> expected =
        FrameOf(output, [&](int x, int row) { return Noise(x, output.height - 1 - row); });
    for (PixelPath path : PathsHere()) {
      PictureScaler scaler;
      ASSERT_EQ(Drawn(scaler, source, p, output, path), expected) << Describe(p, output, path);
    }
  }
}

// Red upper left, green upper right, blue lower left, white lower right, sampled an eighth in
// from the frame's corners; the frame's last row is the picture's top.
TEST(PictureScaler, QuadrantPictureLandsUpright) {
  const Codes quadrants[4] = {{81, 90, 240}, {145, 54, 34}, {41, 240, 110}, {235, 128, 128}};
  // clang-format off
  const DecodedPicture pictures[] = {
      {DecodedFormat::Nv12, 640, 360, 640, 0, false}, {DecodedFormat::Yv12, 200, 150, 200, 0, false},
      {DecodedFormat::Uyvy, 640, 360, 1280, 0, false}, {DecodedFormat::Rgb24, 200, 150, 600, 0, true},
      {DecodedFormat::Rgb32, 640, 360, 2560, 0, false},
  };
  // clang-format on
  for (const DecodedPicture& p : pictures) {
    const std::vector<uint8_t> source =
        Build(p, [&](int x, int y) { return quadrants[(y < p.height / 2 ? 0 : 2) + (x < p.width / 2 ? 0 : 1)]; });
    for (const FrameSize output : {FrameSize{256, 256}, FrameSize{1366, 768}}) {
      const int left = output.width / 8, right = output.width - 1 - left;
      const int top = output.height - 1 - output.height / 8, bottom = output.height / 8;
      const int samples[4][2] = {{left, top}, {right, top}, {left, bottom}, {right, bottom}};
      for (PixelPath path : PathsHere()) {
        SCOPED_TRACE(Describe(p, output, path));
        PictureScaler scaler;
        const std::vector<uint8_t> frame = Drawn(scaler, source, p, output, path);
        for (int q = 0; q < 4; ++q) {
          EXPECT_EQ(FramePixel(frame, output, samples[q][0], samples[q][1]),
                    ConvertedColour(p.format, quadrants[q], YuvMatrix::Bt709))
              << "quadrant " << q;
        }
      }
    }
  }
}

// FrameScaler's frame (row fill 0xCD) of a top-down picture whose B,G,R are at(x, y).
std::vector<uint8_t> FrameScaled(int width, int height, FrameSize output, const CodesAt& at) {
  const size_t pitch = (size_t(width) * 3 + 3) / 4 * 4;
  std::vector<uint8_t> source(pitch * height), frame(FrameBytes(output), 0xCD);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) std::memcpy(&source[pitch * y + 3 * x], at(x, y).data(), 3);
  FrameScaler scaler;
  EXPECT_TRUE(scaler.Scale(source.data(), source.size(), width, -height, frame.data(), output, PixelPath::Scalar));
  return frame;
}

// The frame as defined: luma scaled to the frame and chroma to half of it as FrameScaler
// scales pixels (sizes whose chroma it takes: sides of 512 and up), then converted; RGB
// layouts scaled as FrameScaler scales them.
std::vector<uint8_t> Expected(const DecodedPicture& p, FrameSize output, const CodesAt& at) {
  if (IsRgb(p.format)) return FrameScaled(p.width, p.height, output, at);
  const bool packed = p.format == DecodedFormat::Yuy2 || p.format == DecodedFormat::Uyvy;
  const FrameSize chromaOut{(output.width + 1) / 2, (output.height + 1) / 2};
  const std::vector<uint8_t> luma = FrameScaled(p.width, p.height, output, [&](int x, int y) {
    return Codes{at(x, y)[0], 0, 0};
  });
  const std::vector<uint8_t> chroma =
      FrameScaled((p.width + 1) / 2, packed ? p.height : (p.height + 1) / 2, chromaOut, [&](int x, int y) {
        const Codes c = at(2 * x, packed ? y : 2 * y);
        return Codes{c[1], c[2], 0};
      });
  const DecodedPicture scaled{DecodedFormat::I420, output.width, output.height, output.width, 0, false};
  const std::vector<uint8_t> planar = Build(scaled, [&](int x, int y) {
    const Codes c = FramePixel(chroma, chromaOut, x / 2, chromaOut.height - 1 - y / 2);
    return Codes{FramePixel(luma, output, x, output.height - 1 - y)[0], c[0], c[1]};
  });
  std::vector<uint8_t> rows(Rgb24PictureBytes(output.width, output.height));
  EXPECT_TRUE(ConvertPictureToRgb24(planar.data(), planar.size(), scaled, YuvMatrix::Bt709, rows.data()));
  return FrameOf(output, [&](int x, int row) {
    Codes c;
    std::memcpy(c.data(), &rows[(output.height - 1 - row) * FramePitch(output.width) + 3 * x], 3);
    return c;
  });
}

// One scaler goes through every case, so tables left from the previous one would show.
TEST(PictureScaler, PlanesAreScaledAsTheFrameScalerScalesPixelsOnEveryPath) {
  struct Case {
    DecodedPicture picture;
    FrameSize output;
  };
  // clang-format off
  const Case cases[] = {
      {{DecodedFormat::Nv12, 1921, 1081, 1922, 1088, false}, {1366, 768}},
      {{DecodedFormat::Nv12, 640, 512, 640, 0, false}, {640, 512}},
      {{DecodedFormat::I420, 333, 199, 335, 201, false}, {640, 512}},
      {{DecodedFormat::Yv12, 800, 600, 800, 0, false}, {513, 515}},
      {{DecodedFormat::Yuy2, 1001, 301, 2008, 0, false}, {600, 520}},
      {{DecodedFormat::Uyvy, 97, 61, 196, 0, false}, {512, 513}},
      {{DecodedFormat::Uyvy, 1280, 720, 2560, 0, false}, {1280, 720}},
      {{DecodedFormat::Yuy2, 1280, 720, 2560, 0, false}, {1280, 720}},
      {{DecodedFormat::Rgb24, 333, 201, 1000, 0, true}, {257, 300}},
      {{DecodedFormat::Rgb24, 300, 256, 900, 0, false}, {300, 256}},
      {{DecodedFormat::Rgb32, 2001, 99, 8004, 0, false}, {256, 257}},
  };
  // clang-format on
  PictureScaler scaler;
  for (const Case& c : cases) {
    const std::vector<uint8_t> source = Build(c.picture, Noise);
    const std::vector<uint8_t> expected = Expected(c.picture, c.output, Noise);
    for (PixelPath path : PathsHere()) {
      SCOPED_TRACE(Describe(c.picture, c.output, path));
      ASSERT_EQ(Drawn(scaler, source, c.picture, c.output, path), expected);
    }
  }
}

TEST(PictureScaler, RefusesWithoutTouchingTheFrame) {
  const DecodedPicture nv12{DecodedFormat::Nv12, 64, 48, 64, 0, false};
  struct Refusal {
    const char* name;
    DecodedPicture picture;
    uint64_t bytes;  // 64x48 NV12 takes 4608
    YuvMatrix matrix;
    FrameSize output;
  };
  // clang-format off
  const Refusal refusals[] = {
      {"ShortByOneByte", nv12, 4607, YuvMatrix::Bt601, {256, 256}},
      {"StrideShortOfALine", {DecodedFormat::Yuy2, 64, 48, 127, 0, false}, 1 << 16, YuvMatrix::Bt601, {256, 256}},
      {"UnknownFormat", {static_cast<DecodedFormat>(7), 64, 48, 256, 0, false}, 1 << 16, YuvMatrix::Bt601, {256, 256}},
      {"UnknownMatrix", nv12, 4608, static_cast<YuvMatrix>(2), {256, 256}},
      {"OutputNarrowerThanAFrame", nv12, 4608, YuvMatrix::Bt601, {255, 256}},
      {"OutputTallerThanATexture", nv12, 4608, YuvMatrix::Bt601, {256, 4097}},
  };
  // clang-format on
  const std::vector<uint8_t> source(1 << 16, 0x80);
  for (const Refusal& r : refusals) {
    const std::vector<uint8_t> untouched(size_t(FramePitch(r.output.width)) * r.output.height, 0xCD);
    for (PixelPath path : PathsHere()) {
      std::vector<uint8_t> frame = untouched;
      PictureScaler scaler;
      EXPECT_FALSE(scaler.Draw(source.data(), r.bytes, r.picture, r.matrix, frame.data(), r.output, path)) << r.name;
      EXPECT_EQ(frame, untouched) << r.name << ", " << PathName(path);
    }
  }
}

}  // namespace
