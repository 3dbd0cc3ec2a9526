// Tests of the picture layout taken from a decoded type's attributes, on attribute sets as
// decoders state them: HD frames padded to whole macroblocks with the picture named by the
// aperture, strides padded for alignment or negative for bottom-up RGB, odd sizes, and
// attributes that are missing or cannot be right.
#include "video/decoded_type.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

struct Layout {
  bool taken;
  int32_t width, height;  // the picture shown
  int32_t stride;         // bytes between its lines
  int32_t planeRows;      // lines of the first plane before the chroma
  bool bottomUp;
};

struct TypeCase {
  const char* name;
  DecodedTypeAttributes type;  // format, frame size, aperture offset and size, stride
  Layout layout;
};

constexpr DecodedFormat kNv12 = DecodedFormat::Nv12, kI420 = DecodedFormat::I420, kYv12 = DecodedFormat::Yv12,
                        kYuy2 = DecodedFormat::Yuy2, kRgb32 = DecodedFormat::Rgb32, kRgb24 = DecodedFormat::Rgb24;
constexpr Layout kRefused{false, 0, 0, 0, 0, false};

const TypeCase kTypes[] = {
    // 1080 lines coded as 68 macroblock rows: the chroma plane follows all 1088 luma lines.
    {"Nv12Hd_1088LinesShowing1080", {kNv12, 1920, 1088, 0, 0, 1920, 1080, 1920}, {true, 1920, 1080, 1920, 1088, false}},
    {"Nv12Hd_StrideAlignedTo2048", {kNv12, 1920, 1088, 0, 0, 1920, 1080, 2048}, {true, 1920, 1080, 2048, 1088, false}},
    {"Nv12_NoAperture", {kNv12, 1280, 720, 0, 0, 0, 0, 1280}, {true, 1280, 720, 1280, 720, false}},
    {"Nv12_854WideInAFrameOf864", {kNv12, 864, 480, 0, 0, 854, 480, 864}, {true, 854, 480, 864, 480, false}},
    {"Nv12_OddPictureInAnEvenFrame", {kNv12, 176, 144, 0, 0, 175, 143, 176}, {true, 175, 143, 176, 144, false}},
    {"Nv12_ApertureBeyondTheFrame", {kNv12, 640, 480, 0, 0, 640, 482, 640}, {true, 640, 480, 640, 480, false}},
    {"Nv12_ApertureOffTheCorner", {kNv12, 1920, 1088, 0, 8, 1920, 1080, 1920}, {true, 1920, 1088, 1920, 1088, false}},
    {"Nv12_NegativeStrideTopDown", {kNv12, 1920, 1088, 0, 0, 1920, 1080, -1920}, {true, 1920, 1080, 1920, 1088, false}},
    {"Nv12_StrideMissing", {kNv12, 320, 240, 0, 0, 0, 0, 0}, {true, 320, 240, 320, 240, false}},
    {"Nv12_StrideShortOfALine", {kNv12, 320, 240, 0, 0, 0, 0, 160}, {true, 320, 240, 320, 240, false}},
    {"Nv12_StrideBeyondAnyLine", {kNv12, 320, 240, 0, 0, 0, 0, 1 << 20}, {true, 320, 240, 320, 240, false}},
    {"Nv12_StrideMostNegative", {kNv12, 320, 240, 0, 0, 0, 0, INT32_MIN}, {true, 320, 240, 320, 240, false}},
    {"I420_OddSidesWithoutStride", {kI420, 321, 241, 0, 0, 0, 0, 0}, {true, 321, 241, 321, 241, false}},
    {"Yv12_Pal576PaddedStride", {kYv12, 720, 576, 0, 0, 0, 0, 768}, {true, 720, 576, 768, 576, false}},
    // The odd last pixel comes in a pair of its own: 161 pairs of 4 bytes.
    {"Yuy2_OddWidthWithoutStride", {kYuy2, 321, 240, 0, 0, 0, 0, 0}, {true, 321, 240, 644, 240, false}},
    {"Yuy2_StrideWithoutTheLastPair", {kYuy2, 321, 240, 0, 0, 0, 0, 642}, {true, 321, 240, 644, 240, false}},
    {"Rgb32_NegativeStrideIsBottomUp", {kRgb32, 320, 240, 0, 0, 0, 0, -1280}, {true, 320, 240, 1280, 240, true}},
    {"Rgb32_PositiveStrideIsTopDown", {kRgb32, 320, 240, 0, 0, 0, 0, 1280}, {true, 320, 240, 1280, 240, false}},
    {"Rgb32_WithoutStrideIsADib", {kRgb32, 320, 240, 0, 0, 0, 0, 0}, {true, 320, 240, 1280, 240, true}},
    // DIB lines are padded to 4 bytes: 963 bytes of pixels in 964.
    {"Rgb24_OddWidthWithoutStrideIsADib", {kRgb24, 321, 241, 0, 0, 0, 0, 0}, {true, 321, 241, 964, 241, true}},
    {"LargestFrame", {kNv12, 16384, 16384, 0, 0, 0, 0, 16384}, {true, 16384, 16384, 16384, 16384, false}},
    {"NoFrameSize", {kNv12, 0, 0, 0, 0, 1920, 1080, 1920}, kRefused},
    {"ZeroHeight", {kNv12, 640, 0, 0, 0, 0, 0, 640}, kRefused},
    {"WidthPastLargest", {kRgb32, 16385, 16, 0, 0, 0, 0, 0}, kRefused},
    {"HeightPastLargest", {kNv12, 16, 16385, 0, 0, 0, 0, 16}, kRefused},
    {"SidesThatWrapAsSigned", {kNv12, 0xFFFFFFF0, 0x80000000, 0, 0, 0, 0, 0}, kRefused},
};

class DecodedTypeTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(DecodedTypeTest, PictureShownAndWhereItsLinesLie) {
  const Layout& want = GetParam().layout;
  DecodedPicture got;
  ASSERT_EQ(DecodedPictureOfType(GetParam().type, &got), want.taken);
  if (!want.taken) return;
  EXPECT_EQ(got.format, GetParam().type.format);
  EXPECT_EQ(got.width, want.width);
  EXPECT_EQ(got.height, want.height);
  EXPECT_EQ(got.stride, want.stride);
  EXPECT_EQ(got.planeRows, want.planeRows);
  EXPECT_EQ(got.bottomUp, want.bottomUp);
}

INSTANTIATE_TEST_SUITE_P(Types, DecodedTypeTest, ::testing::ValuesIn(kTypes),
                         [](const ::testing::TestParamInfo<TypeCase>& info) { return std::string(info.param.name); });

// The whole way a Windows H.264 decoder's NV12 frame takes: white picture lines, black
// padding lines below them, neutral chroma after the padding. Every converted pixel is white
// only when the padding is cut off and the chroma is found after it.
TEST(DecodedType, PaddedHdNv12FrameConvertsToItsPictureOnly) {
  DecodedPicture picture;
  ASSERT_TRUE(DecodedPictureOfType({kNv12, 1920, 1088, 0, 0, 1920, 1080, 1920}, &picture));
  std::vector<uint8_t> frame(1920 * 1088 * 3 / 2, 128);
  std::fill(frame.begin(), frame.begin() + 1920 * 1080, 235);
  std::fill(frame.begin() + 1920 * 1080, frame.begin() + 1920 * 1088, 16);
  std::vector<uint8_t> rgb(Rgb24PictureBytes(picture.width, picture.height), 0);
  ASSERT_EQ(rgb.size(), 1920u * 3 * 1080);
  ASSERT_TRUE(ConvertPictureToRgb24(frame.data(), frame.size(), picture, YuvMatrix::Bt709, rgb.data()));
  EXPECT_EQ(rgb, std::vector<uint8_t>(rgb.size(), 255));
}

}  // namespace
