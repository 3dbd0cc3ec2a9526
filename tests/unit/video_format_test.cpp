// The renderer's check of offered frame descriptions: only honest 24-bit RGB is taken, and
// the frame size never wraps, whatever the header says.
#include <gtest/gtest.h>

#include <cstdint>

#include "video/video_format.h"

namespace {

constexpr uint32_t kBitfields = 3;                 // BI_BITFIELDS
constexpr uint32_t kYuy2 = 0x32595559;             // a FOURCC
constexpr uint32_t k320x240Bytes = 320 * 3 * 240;  // rows of 960 bytes, no fill

struct FormatCase {
  const char* name;
  VideoFormatFields fields;
  bool accepted;
};

class AcceptedFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(AcceptedFormat, OnlyHonest24BitRgb) { EXPECT_EQ(IsAcceptedVideoFormat(GetParam().fields), GetParam().accepted); }

INSTANTIATE_TEST_SUITE_P(Cases, AcceptedFormat,
                         ::testing::Values(FormatCase{"BottomUp", {320, 240, 24, 0, k320x240Bytes}, true},
                                           FormatCase{"TopDown", {320, -240, 24, 0, k320x240Bytes}, true},
                                           FormatCase{"SizeNotGiven", {321, 241, 24, 0, 0}, true},
                                           FormatCase{"SizeLarger", {320, 240, 24, 0, k320x240Bytes + 64}, true},
                                           FormatCase{"LargestSides", {16384, -16384, 24, 0, 0}, true},
                                           FormatCase{"OnePixel", {1, 1, 24, 0, 4}, true},
                                           FormatCase{"EightBitWithPalette", {320, 240, 8, 0, 320 * 240}, false},
                                           FormatCase{"ThirtyTwoBit", {320, 240, 32, 0, 0}, false},
                                           FormatCase{"Bitfields", {320, 240, 24, kBitfields, 0}, false},
                                           FormatCase{"Fourcc", {320, 240, 24, kYuy2, 0}, false},
                                           FormatCase{"ZeroByZero", {0, 0, 24, 0, 0}, false},
                                           FormatCase{"ZeroHeight", {320, 0, 24, 0, 0}, false},
                                           FormatCase{"Huge", {100000, 100000, 24, 0, 0}, false},
                                           FormatCase{"OneTooWide", {16385, 240, 24, 0, 0}, false},
                                           FormatCase{"OneTooHigh", {320, -16385, 24, 0, 0}, false},
                                           FormatCase{"NegativeWidth", {-320, 240, 24, 0, 0}, false},
                                           FormatCase{"MostNegativeHeight", {320, INT32_MIN, 24, 0, 0}, false},
                                           FormatCase{"SizeTooSmall", {320, 240, 24, 0, k320x240Bytes - 1}, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(VideoFrameBytes, RowsPaddedToFourBytesAndNeverWrapping) {
  EXPECT_EQ(VideoFrameBytes(321, 241, 24), 964u * 241u);
  EXPECT_EQ(VideoFrameBytes(321, -241, 24), 964u * 241u);
  EXPECT_EQ(VideoFrameBytes(-5, 10, 24), 0u);
  // About 2^31 rows of 6.4e9 bytes: past 2^63, where a signed 64-bit product would wrap.
  EXPECT_GT(VideoFrameBytes(INT32_MAX, INT32_MIN, 24), uint64_t(1) << 63);
  // 2^31 rows of 2^44 bytes do not fit in 64 bits at all.
  EXPECT_EQ(VideoFrameBytes(INT32_MAX, INT32_MIN, 65535), UINT64_MAX);
}

// The decoders' own layouts the renderer takes as they are: YUV is read top-down whatever
// the height's sign, packed lines hold whole pairs, planar lines are the width.
TEST(PictureOfVideoFormat, YuvLayoutsAsTheRendererReadsThem) {
  constexpr uint32_t kUyvy = 0x59565955, kYv12 = 0x32315659, kI420 = 0x30323449, kNv12 = 0x3231564E;
  // clang-format off
  const struct { const char* name; VideoFormatFields fields; bool taken; DecodedFormat format; int32_t stride; } cases[] = {
    {"Yuy2",           {320, 240, 16, kYuy2, 0},           true,  DecodedFormat::Yuy2, 640},
    {"Yuy2OddWidth",   {321, -240, 16, kYuy2, 0},          true,  DecodedFormat::Yuy2, 644},
    {"Uyvy",           {320, 240, 16, kUyvy, 320 * 480},   true,  DecodedFormat::Uyvy, 640},
    {"Yv12",           {320, 240, 12, kYv12, 320 * 360},   true,  DecodedFormat::Yv12, 320},
    {"I420",           {320, -240, 12, kI420, 0},          true,  DecodedFormat::I420, 320},
    {"Nv12",           {320, 240, 12, kNv12, 0},           true,  DecodedFormat::Nv12, 320},
    {"Rgb24",          {321, 240, 24, 0, 0},               true,  DecodedFormat::Rgb24, 964},
    {"Yuy2At12Bits",   {320, 240, 12, kYuy2, 0},           false, DecodedFormat::Yuy2, 0},
    {"I420SizeShort",  {320, 240, 12, kI420, 320 * 360 - 1}, false, DecodedFormat::I420, 0},
    {"UnknownCode",    {320, 240, 16, 0x34363248, 0},      false, DecodedFormat::Yuy2, 0},
    {"Nv12TooWide",    {16385, 2, 12, kNv12, 0},           false, DecodedFormat::Nv12, 0},
  };
  // clang-format on
  for (const auto& c : cases) {
    DecodedPicture picture;
    ASSERT_EQ(PictureOfVideoFormat(c.fields, &picture), c.taken) << c.name;
    if (!c.taken) continue;
    EXPECT_EQ(picture.format, c.format) << c.name;
    EXPECT_EQ(picture.width, c.fields.width) << c.name;
    EXPECT_EQ(picture.height, c.fields.height < 0 ? -c.fields.height : c.fields.height) << c.name;
    EXPECT_EQ(picture.stride, c.stride) << c.name;
    EXPECT_EQ(picture.bottomUp, c.format == DecodedFormat::Rgb24 && c.fields.height > 0) << c.name;
  }
}

}  // namespace
