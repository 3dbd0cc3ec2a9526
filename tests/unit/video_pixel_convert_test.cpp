// Tests of the frame-to-texture conversion: exact texel bytes for both texture formats, row
// placement for any pitch, the bytes a copy must leave alone, and refused formats, each on
// every code path.
#include "video/pixel_convert.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "pixel_paths_here.h"

namespace {

constexpr int kSide = 256;
constexpr int kSourcePitch = 768;
constexpr uint8_t kUntouched = 0xCD;

struct Bgr {
  uint8_t b, g, r;
};

std::vector<uint8_t> SolidFrame(Bgr pixel) {
  std::vector<uint8_t> frame(kSourcePitch * kSide);
  for (size_t i = 0; i < frame.size(); i += 3) {
    frame[i] = pixel.b;
    frame[i + 1] = pixel.g;
    frame[i + 2] = pixel.r;
  }
  return frame;
}

// Every pixel differs from its neighbours in each channel, so a pixel taken from the wrong
// column, row or channel shows.
Bgr PatternPixel(int x, int y) { return {uint8_t(x), uint8_t(y * 3 + 1), uint8_t((x * 7) ^ (y * 13))}; }

std::vector<uint8_t> PatternFrame() {
  std::vector<uint8_t> frame(kSourcePitch * kSide);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const Bgr p = PatternPixel(x, y);
      uint8_t* at = &frame[y * kSourcePitch + x * 3];
      at[0] = p.b;
      at[1] = p.g;
      at[2] = p.r;
    }
  }
  return frame;
}

// The 16-bit texel worked out bit by bit: top bit set, five bits each of red, green, blue.
uint16_t Expected1555(Bgr p) { return uint16_t(0x8000 | (p.r >> 3) << 10 | (p.g >> 3) << 5 | (p.b >> 3)); }

uint16_t WordAt(const std::vector<uint8_t>& bytes, size_t offset) {
  return uint16_t(bytes[offset] | bytes[offset + 1] << 8);  // texture words are little-endian
}

// ---- Known pixels -----------------------------------------------------------------------

struct KnownPixel {
  const char* name;
  Bgr pixel;
  uint8_t argb[4];  // bytes in memory: B, G, R, A
  uint16_t word;
};

const KnownPixel kKnownPixels[] = {
    {"red", {0, 0, 255}, {0x00, 0x00, 0xFF, 0xFF}, 0xFC00},
    {"green", {0, 255, 0}, {0x00, 0xFF, 0x00, 0xFF}, 0x83E0},
    {"blue", {255, 0, 0}, {0xFF, 0x00, 0x00, 0xFF}, 0x801F},
    {"black", {0, 0, 0}, {0x00, 0x00, 0x00, 0xFF}, 0x8000},
    {"white", {255, 255, 255}, {0xFF, 0xFF, 0xFF, 0xFF}, 0xFFFF},
    {"mid grey", {128, 128, 128}, {0x80, 0x80, 0x80, 0xFF}, 0xC210},
    // Only the top five bits of a channel survive in 16 bits.
    {"low bits dropped", {7, 7, 7}, {0x07, 0x07, 0x07, 0xFF}, 0x8000},
    {"one step each", {8, 8, 8}, {0x08, 0x08, 0x08, 0xFF}, 0x8421},
    {"channels apart", {0x10, 0x20, 0x30}, {0x10, 0x20, 0x30, 0xFF}, 0x9882},
};

class KnownPixelTest : public ::testing::TestWithParam<KnownPixel> {};

TEST_P(KnownPixelTest, EveryTexelOfA8R8G8B8) {
  const KnownPixel& c = GetParam();
  const std::vector<uint8_t> frame = SolidFrame(c.pixel);
  for (PixelPath path : PathsHere()) {
    SCOPED_TRACE(PathName(path));
    std::vector<uint8_t> texture(1024 * kSide, kUntouched);
    ASSERT_TRUE(ConvertFrameToTexture(frame.data(), TextureFormat::A8R8G8B8, texture.data(), 1024, path));
    for (size_t i = 0; i < texture.size(); i += 4) {
      ASSERT_EQ(texture[i + 0], c.argb[0]) << "texel " << i / 4;
      ASSERT_EQ(texture[i + 1], c.argb[1]) << "texel " << i / 4;
      ASSERT_EQ(texture[i + 2], c.argb[2]) << "texel " << i / 4;
      ASSERT_EQ(texture[i + 3], c.argb[3]) << "texel " << i / 4;
    }
  }
}

TEST_P(KnownPixelTest, EveryTexelOfA1R5G5B5) {
  const KnownPixel& c = GetParam();
  const std::vector<uint8_t> frame = SolidFrame(c.pixel);
  for (PixelPath path : PathsHere()) {
    SCOPED_TRACE(PathName(path));
    std::vector<uint8_t> texture(512 * kSide, kUntouched);
    ASSERT_TRUE(ConvertFrameToTexture(frame.data(), TextureFormat::A1R5G5B5, texture.data(), 512, path));
    for (size_t i = 0; i < texture.size(); i += 2) {
      ASSERT_EQ(WordAt(texture, i), c.word) << "texel " << i / 2;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Colours, KnownPixelTest, ::testing::ValuesIn(kKnownPixels),
                         [](const ::testing::TestParamInfo<KnownPixel>& info) {
                           std::string name = info.param.name;
                           for (char& ch : name) {
                             if (ch == ' ') ch = '_';
                           }
                           return name;
                         });

// ---- Placement of rows and columns for any pitch ------------------------------------------

struct Layout {
  const char* name;
  TextureFormat format;
  int texelBytes;
  std::ptrdiff_t pitch;
};

const Layout kLayouts[] = {
    {"Argb_Tight", TextureFormat::A8R8G8B8, 4, 1024},
    {"Argb_Padded", TextureFormat::A8R8G8B8, 4, 1024 + 64},
    {"Argb_OddPitch", TextureFormat::A8R8G8B8, 4, 1027},
    {"Word_Tight", TextureFormat::A1R5G5B5, 2, 512},
    {"Word_Padded", TextureFormat::A1R5G5B5, 2, 512 + 32},
    {"Word_OddPitch", TextureFormat::A1R5G5B5, 2, 513},  // every other row at an odd address
};

class LayoutTest : public ::testing::TestWithParam<Layout> {};

TEST_P(LayoutTest, EachTexelComesFromItsPixelAndRowFillIsLeftAlone) {
  const Layout& l = GetParam();
  const std::vector<uint8_t> frame = PatternFrame();
  for (PixelPath path : PathsHere()) {
    SCOPED_TRACE(PathName(path));
    // One spare pitch after the last row catches a copy that runs past the end.
    std::vector<uint8_t> texture(size_t(l.pitch) * (kSide + 1), kUntouched);
    ASSERT_TRUE(ConvertFrameToTexture(frame.data(), l.format, texture.data(), l.pitch, path));

    const size_t rowBytes = size_t(kSide) * l.texelBytes;
    for (int row = 0; row < kSide; ++row) {
      const size_t rowStart = size_t(row) * l.pitch;
      for (int x = 0; x < kSide; ++x) {
        const Bgr p = PatternPixel(x, row);
        const size_t at = rowStart + size_t(x) * l.texelBytes;
        if (l.texelBytes == 4) {
          ASSERT_EQ(texture[at + 0], p.b) << "row " << row << " column " << x;
          ASSERT_EQ(texture[at + 1], p.g) << "row " << row << " column " << x;
          ASSERT_EQ(texture[at + 2], p.r) << "row " << row << " column " << x;
          ASSERT_EQ(texture[at + 3], 0xFF) << "row " << row << " column " << x;
        } else {
          ASSERT_EQ(WordAt(texture, at), Expected1555(p)) << "row " << row << " column " << x;
        }
      }
      for (size_t i = rowStart + rowBytes; i < rowStart + size_t(l.pitch); ++i) {
        ASSERT_EQ(texture[i], kUntouched) << "fill byte " << i - rowStart - rowBytes << " of row " << row;
      }
    }
    for (size_t i = size_t(kSide) * l.pitch; i < texture.size(); ++i) {
      ASSERT_EQ(texture[i], kUntouched) << "byte " << i << " after the last row";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Pitches, LayoutTest, ::testing::ValuesIn(kLayouts),
                         [](const ::testing::TestParamInfo<Layout>& info) { return std::string(info.param.name); });

// ---- Refusals ---------------------------------------------------------------------------

struct Refusal {
  const char* name;
  uint32_t format;
  std::ptrdiff_t pitch;
};

const Refusal kRefusals[] = {
    {"Unknown", 0, 1024},
    {"R8G8B8", 20, 1024},
    {"X8R8G8B8", 22, 1024},
    {"R5G6B5", 23, 1024},
    {"X1R5G5B5", 24, 1024},
    {"A4R4G4B4", 26, 1024},
    {"Argb_PitchOneShort", 21, 1023},
    {"Word_PitchOneShort", 25, 511},
    {"Argb_ZeroPitch", 21, 0},
    {"Word_NegativePitch", 25, -512},
};

class RefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusalTest, WritesNothing) {
  const Refusal& r = GetParam();
  const std::vector<uint8_t> frame = PatternFrame();
  // Room for a whole texture on either side of the start, so that a faulty copy with any of
  // these pitches stays inside the buffer and shows up as changed bytes.
  std::vector<uint8_t> texture(3 * 1024 * kSide, kUntouched);
  uint8_t* start = texture.data() + 1024 * kSide;
  const auto format = static_cast<TextureFormat>(r.format);
  EXPECT_FALSE(ConvertFrameToTexture(frame.data(), format, start, r.pitch));
  for (PixelPath path : PathsHere()) {
    EXPECT_FALSE(ConvertFrameToTexture(frame.data(), format, start, r.pitch, path)) << PathName(path);
  }
  for (size_t i = 0; i < texture.size(); ++i) {
    ASSERT_EQ(texture[i], kUntouched) << "byte " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, RefusalTest, ::testing::ValuesIn(kRefusals),
                         [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

TEST(TextureTexelBytes, KnownFormatsAndOthers) {
  EXPECT_EQ(TextureTexelBytes(TextureFormat::A8R8G8B8), 4);
  EXPECT_EQ(TextureTexelBytes(TextureFormat::A1R5G5B5), 2);
  EXPECT_EQ(TextureTexelBytes(static_cast<TextureFormat>(22)), 0);
}

TEST(TextureFormat, CarriesTheDirect3DNumbers) {
  EXPECT_EQ(static_cast<uint32_t>(TextureFormat::A8R8G8B8), 21u);
  EXPECT_EQ(static_cast<uint32_t>(TextureFormat::A1R5G5B5), 25u);
  EXPECT_EQ(kFrameBytes, 196608u);
}

}  // namespace

// ---- Frames of other sizes -----------------------------------------------------------------

// Every texel of a pattern frame at widths that are not multiples of the vector loops'
// groups, down to the narrowest frame the vector loops take, on every path; the bytes past
// each row's end stay as they were.
TEST(ConvertFrameSizes, EveryTexelAtOddWidthsOnEveryPath) {
  const FrameSize sizes[] = {{8, 3}, {9, 2}, {13, 5}, {257, 4}, {1366, 3}, {1920, 2}};
  for (const FrameSize size : sizes) {
    const std::ptrdiff_t framePitch = FramePitch(size.width);
    std::vector<uint8_t> frame(FrameBytes(size));
    for (int y = 0; y < size.height; ++y)
      for (int x = 0; x < size.width; ++x) {
        const Bgr p = PatternPixel(x, y);
        uint8_t* at = &frame[y * framePitch + 3 * x];
        at[0] = p.b, at[1] = p.g, at[2] = p.r;
      }
    for (PixelPath path : PathsHere()) {
      for (const TextureFormat format : {TextureFormat::A8R8G8B8, TextureFormat::A1R5G5B5}) {
        const int texel = TextureTexelBytes(format);
        const std::ptrdiff_t pitch = size.width * texel + 6;
        std::vector<uint8_t> texture(pitch * size.height, kUntouched);
        SCOPED_TRACE(std::string(PathName(path)) + ", width " + std::to_string(size.width) + ", " +
                     std::to_string(texel) + "-byte texels");
        ASSERT_TRUE(ConvertFrameToTexture(frame.data(), size, format, texture.data(), pitch, path));
        for (int y = 0; y < size.height; ++y) {
          const uint8_t* row = &texture[y * pitch];
          for (int x = 0; x < size.width; ++x) {
            const Bgr p = PatternPixel(x, y);
            if (texel == 4) {
              const uint8_t expected[4] = {p.b, p.g, p.r, 0xFF};
              ASSERT_EQ(0, std::memcmp(row + 4 * x, expected, 4)) << x << "," << y;
            } else {
              ASSERT_EQ(WordAt(texture, y * pitch + 2 * x), Expected1555(p)) << x << "," << y;
            }
          }
          for (int b = size.width * texel; b < pitch; ++b) ASSERT_EQ(row[b], kUntouched) << "row " << y;
        }
      }
    }
  }
}
