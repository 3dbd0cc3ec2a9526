// Tests of the texture size rule: device limits x where the scene shows the video x the
// video's own size, and the caps that decide which sizes a device takes.
#include "video/texture_size.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t kPow2 = 0x2, kSquare = 0x20, kConditional = 0x100;

struct SizeCase {
  const char* name;
  TextureLimits limits;
  FrameSize shown, video, expected;
};

TextureLimits Limits(uint32_t side, uint32_t caps, uint64_t memory = 0, int texelBytes = 4) {
  return MakeTextureLimits(side, side, caps, memory, texelBytes);
}

// clang-format off
const SizeCase kCases[] = {
  // Any size taken: exactly the tile, the screen or the video, whichever is smaller.
  {"OneTileOf1080p",        Limits(8192, 0), {1920, 1080}, {1920, 1080}, {1920, 1080}},
  {"FourByThreeGrid",       Limits(8192, 0), {480, 360},   {1920, 1080}, {480, 360}},
  {"SmallVideoNotEnlarged", Limits(8192, 0), {1920, 1080}, {640, 480},   {640, 480}},
  {"TinyVideoAtTheFloor",   Limits(8192, 0), {1920, 1080}, {160, 120},   {256, 256}},
  {"SmallTilesAtTheFloor",  Limits(8192, 0), {96, 54},     {1920, 1080}, {256, 256}},
  {"FourKCappedAt4096",     Limits(16384, 0), {7680, 2160}, {7680, 4320}, {4096, 2160}},
  {"DeviceMaximum",         Limits(2048, 0), {3840, 2160}, {3840, 2160}, {2048, 2048}},
  {"ConditionalTakesAny",   Limits(8192, kPow2 | kConditional), {1366, 768}, {1920, 1080}, {1366, 768}},
  // Powers of two: the nearest in each direction, never past the maximum.
  {"PowersOf1080p",         Limits(8192, kPow2), {1920, 1080}, {1920, 1080}, {2048, 1024}},
  {"PowersOf1366x768",      Limits(8192, kPow2), {1366, 768},  {1920, 1080}, {1024, 1024}},
  {"PowersWithin2048",      Limits(2048, kPow2), {3840, 2160}, {3840, 2160}, {2048, 2048}},
  {"PowersOfTheFloor",      Limits(8192, kPow2), {300, 200},   {1920, 1080}, {256, 256}},
  // Square only: the longer side both ways.
  {"Square",                Limits(8192, kPow2 | kSquare), {1920, 1080}, {1920, 1080}, {2048, 2048}},
  // Little texture memory: halved, longer side first, down to the floor at most.
  {"FourMegabytes",         Limits(8192, 0, 4u << 20), {1920, 1080}, {1920, 1080}, {960, 1080}},
  {"SixteenBitTexels",      Limits(8192, 0, 4u << 20, 2), {1920, 1080}, {1920, 1080}, {1920, 1080}},
  {"PowersInFourMegabytes", Limits(8192, kPow2, 4u << 20), {1920, 1080}, {1920, 1080}, {1024, 1024}},
  {"NoMemoryAtAll",         Limits(8192, 0, 1), {1920, 1080}, {1920, 1080}, {256, 256}},
};
// clang-format on

class TextureSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(TextureSizeTest, FollowsTheSceneTheVideoAndTheDevice) {
  const SizeCase& c = GetParam();
  const FrameSize chosen = ChooseTextureSize(c.limits, c.shown, c.video);
  EXPECT_EQ(chosen.width, c.expected.width);
  EXPECT_EQ(chosen.height, c.expected.height);
}

INSTANTIATE_TEST_SUITE_P(Cases, TextureSizeTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<SizeCase>& info) { return info.param.name; });

}  // namespace
