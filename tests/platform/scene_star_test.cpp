// The star scene drawn by the real device under Wine: stars put where the test wants them,
// read back from the back buffer with the four-colour picture in videoTexture; the fading of
// translucent stars; a refused lock in Advance (the refusals in Init are with the dispatch's).
//
// Where a star lands, worked out by hand from the camera (eye (0, 0, -5) looking along +z,
// vertical field of view pi/4, aspect 1, on 1024 x 768): a point (x, y, z) goes to
// (512 + 512 * x * 2.41421 / (z + 5), 384 - 384 * y * 2.41421 / (z + 5)).
#include <windows.h>

#include <d3d8.h>

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "scene_device_faults.h"
#include "scene_test_support.h"
#include "scenes/device_objects_win.h"
#include "scenes/star_scene_win.h"

namespace scenetest {
namespace {

// Puts star n at `position`, motionless.
void HoldStar(size_t n, float x, float y, float z) {
  Star& star = starField.Stars().at(n);
  star.position = Vec3{x, y, z};
  star.velocity = Vec3{0.0f, 0.0f, 0.0f};
  star.acceleration = Vec3{0.0f, 0.0f, 0.0f};
}

void UseStars(int32_t count, float size, uint8_t translucent) {
  saverOptions.starCount = count;
  saverOptions.starSize = size;
  saverOptions.starTranslucent = translucent;
}

struct PlaceCase {
  const char* name;
  float size;
  float x, y, z;
  // The star's rectangle on the screen, from the formula above.
  int left, top, right, bottom;
};

void PrintTo(const PlaceCase& c, std::ostream* os) { *os << c.name; }

class SceneStarPlaceTest : public SceneTest, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(SceneStarPlaceTest, AStarShowsThePictureUprightOnBlack) {
  const PlaceCase& c = GetParam();
  UseStars(1, c.size, 0);
  ASSERT_EQ(StarScene::Init(), S_OK);
  HoldStar(0, c.x, c.y, c.z);
  StarScene::Advance();
  StarScene::Draw();
  const Frame frame = ReadFrame();
  ExpectPicture(frame, c.left, c.top, c.right - c.left, c.bottom - c.top, kUpright, 2, c.name);
  // Everything more than two pixels outside the star is the black of the clear.
  int lit = 0;
  for (int y = 0; y < frame.Height(); ++y)
    for (int x = 0; x < frame.Width(); ++x) {
      const bool outside = x < c.left - 2 || x > c.right + 2 || y < c.top - 2 || y > c.bottom + 2;
      if (outside && !Near(frame.At(x, y), kBlack, 0)) ++lit;
    }
  EXPECT_EQ(lit, 0) << "pixels lit outside the star";
  EXPECT_TRUE(Notices().empty());
}

INSTANTIATE_TEST_SUITE_P(SceneStarPlaces, SceneStarPlaceTest,
                         ::testing::Values(PlaceCase{"Centre", 10.0f, 0.0f, 0.0f, 100.0f, 394, 296, 630, 472},
                                           PlaceCase{"UpperRight", 10.0f, 20.0f, 15.0f, 100.0f, 630, 163, 865, 340},
                                           PlaceCase{"SmallerStar", 5.0f, 0.0f, 0.0f, 100.0f, 453, 340, 571, 428},
                                           // A size above 10 is used as 10.
                                           PlaceCase{"SizeClamped", 40.0f, 0.0f, 0.0f, 100.0f, 394, 296, 630, 472}),
                         CaseName());

// Alpha falls by 0.002 a frame; a star adds its texture colour weighted by its alpha byte
// (alpha x 255, cut to a whole number). Opaque stars never fade.
struct FadeCase {
  const char* name;
  uint8_t translucent;
  int frames;
  int level;  // the red the upper-left quarter shows: 255 x byte / 255
};

void PrintTo(const FadeCase& c, std::ostream* os) { *os << c.name; }

class SceneStarFadeTest : public SceneTest, public ::testing::WithParamInterface<FadeCase> {};

TEST_P(SceneStarFadeTest, TranslucentStarsFadeWithAge) {
  const FadeCase& c = GetParam();
  UseStars(1, 10.0f, c.translucent);
  ASSERT_EQ(StarScene::Init(), S_OK);
  HoldStar(0, 0.0f, 0.0f, 100.0f);
  for (int i = 0; i < c.frames; ++i) StarScene::Advance();
  StarScene::Draw();
  const Frame frame = ReadFrame();
  ExpectPicture(frame, 394, 296, 236, 176,
                Quadrants{Rgb{c.level, 0, 0}, Rgb{0, c.level, 0}, Rgb{0, 0, c.level}, Rgb{c.level, c.level, c.level}},
                3, c.name);
}

INSTANTIATE_TEST_SUITE_P(SceneStarFading, SceneStarFadeTest,
                         ::testing::Values(FadeCase{"TranslucentNew", 1, 1, 254},         // 0.998 -> 254
                                           FadeCase{"TranslucentHalfway", 1, 250, 127},   // 0.5 -> 127
                                           FadeCase{"TranslucentAlmostGone", 1, 499, 0},  // 0.002 -> 0
                                           FadeCase{"TranslucentGone", 1, 500, 0},
                                           FadeCase{"OpaqueNeverFades", 0, 500, 255}),
                         CaseName());

using SceneStarTest = SceneTest;

// A lock refused in Advance: the stars still move, the buffer keeps the last frame's
// vertices, and the next frame writes again.
TEST_F(SceneStarTest, ARefusedLockInAdvanceWritesNothingButTheStarsMoveOn) {
  UseStars(1, 10.0f, 0);
  InstallDeviceFaults(d3dDevice);
  // Init's lock and the test's look at the buffer go through, Advance's is refused.
  FailVertexBufferLock(0x142, 2, D3DERR_INVALIDCALL);
  ASSERT_EQ(StarScene::Init(), S_OK);
  Star& star = starField.Stars().at(0);
  star.position = Vec3{0.0f, 0.0f, 100.0f};
  star.velocity = Vec3{0.0f, 0.0f, -1.0f};
  star.acceleration = Vec3{0.0f, 0.0f, 0.0f};

  auto readVertices = [] {
    std::vector<SceneVertex> vertices(4);
    BYTE* data = nullptr;
    EXPECT_EQ(sceneVertexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
    if (data != nullptr) std::memcpy(vertices.data(), data, sizeof(SceneVertex) * 4);
    sceneVertexBuffer->Unlock();
    return vertices;
  };
  const std::vector<SceneVertex> before = readVertices();
  StarScene::Advance();
  EXPECT_FLOAT_EQ(star.position.z, 99.0f) << "the star moved";
  const std::vector<SceneVertex> after = readVertices();
  EXPECT_EQ(std::memcmp(before.data(), after.data(), sizeof(SceneVertex) * 4), 0) << "nothing written";

  StarScene::Advance();
  const std::vector<SceneVertex> next = readVertices();
  // Corners at x -10, -10, 10, 10 and y -10, 10, -10, 10 around the star at z 98.
  const float xs[4] = {-10, -10, 10, 10};
  const float ys[4] = {-10, 10, -10, 10};
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(next[i].x, xs[i]) << "vertex " << i;
    EXPECT_FLOAT_EQ(next[i].y, ys[i]) << "vertex " << i;
    EXPECT_FLOAT_EQ(next[i].z, 98.0f) << "vertex " << i;
    EXPECT_EQ(next[i].diffuse, 0xFFFFFFFFu);
  }
  EXPECT_TRUE(Notices().empty()) << "a frame's failure is not told";
}

}  // namespace
}  // namespace scenetest
