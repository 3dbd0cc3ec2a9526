// The cuboid scene and its boxes drawn by the real device under Wine, with the clock held
// still: poses, culling, the background quad, translucent adding up, and the references the
// boxes hold.
//
// Where things land on the 1024 x 768 back buffer, worked out by hand from the camera (eye
// (0, 3, -100) looking at the origin, vertical field of view pi/4, aspect 1): the front face
// of the single cube (edge 24, z = -12) spans x 343..680 and y 261..514; the centres of its
// four quarters, the points (-+6, +-6, -12), land at (428, 325), (596, 325), (428, 451) and
// (596, 451); the face's centre at (512, 388).
#include <windows.h>

#include <d3d8.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "base/com_ptr_win.h"
#include "scene_device_faults.h"
#include "scene_test_support.h"
#include "scenes/cuboid_object_win.h"
#include "scenes/cuboid_scene_win.h"
#include "scenes/device_objects_win.h"

namespace scenetest {
namespace {

constexpr int kLeftX = 428, kRightX = 596, kUpperY = 325, kLowerY = 451;
constexpr int kFaceX = 512, kFaceY = 420;
// Well away from the cube.
constexpr int kAroundX[] = {100, 924, 100, 924};
constexpr int kAroundY[] = {100, 100, 668, 668};

void ExpectFrontFace(const Frame& frame, const Quadrants& expected, const std::string& what) {
  EXPECT_TRUE(ShowsColour(frame, kLeftX, kUpperY, expected.upperLeft, 6)) << what << ", upper left";
  EXPECT_TRUE(ShowsColour(frame, kRightX, kUpperY, expected.upperRight, 6)) << what << ", upper right";
  EXPECT_TRUE(ShowsColour(frame, kLeftX, kLowerY, expected.lowerLeft, 6)) << what << ", lower left";
  EXPECT_TRUE(ShowsColour(frame, kRightX, kLowerY, expected.lowerRight, 6)) << what << ", lower right";
}

void ExpectAround(const Frame& frame, Rgb expected, int tolerance, const std::string& what) {
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(ShowsColour(frame, kAroundX[i], kAroundY[i], expected, tolerance)) << what;
}

// One cube, solid, no background, unless the test says otherwise.
void UseOneCube() {
  saverOptions.cuboidCount = 1;
  saverOptions.cuboidTranslucent = 0;
  saverOptions.showBackground = 0;
}

// The face that turns to the camera and how its picture then looks, by axis setting and
// clock. A quarter turn is 1257 ms at the default 800 ms per radian.
struct PoseCase {
  const char* name;
  int32_t rotationAngle;
  float rotationSpeed;
  DWORD clock;
  Quadrants shown;
  int32_t rotationAngleAfter;
};

void PrintTo(const PoseCase& c, std::ostream* os) { *os << c.name; }

class SceneCuboidPoseTest : public SceneTest, public ::testing::WithParamInterface<PoseCase> {};

TEST_P(SceneCuboidPoseTest, TheFaceTurnedToTheCameraShowsThePictureAsExpected) {
  const PoseCase& c = GetParam();
  UseOneCube();
  saverOptions.rotationAngle = c.rotationAngle;
  saverOptions.rotationSpeed = c.rotationSpeed;
  SetClock(c.clock);
  ASSERT_EQ(CuboidScene::Init(), S_OK);
  CuboidScene::Advance();
  CuboidScene::Draw();
  const Frame frame = ReadFrame();
  ExpectFrontFace(frame, c.shown, c.name);
  ExpectAround(frame, kBlack, 0, "black around the cube without background");
  EXPECT_EQ(saverOptions.rotationAngle, c.rotationAngleAfter);
  EXPECT_TRUE(Notices().empty());
}

INSTANTIATE_TEST_SUITE_P(SceneCuboidPoses, SceneCuboidPoseTest,
                         ::testing::Values(
                             // At rest every axis leaves the front face in front.
                             PoseCase{"AtRestLeft", 1, 800, 0, kUpright, 1},
                             PoseCase{"AtRestRandom", 5, 800, 0, kUpright, 5},
                             PoseCase{"AtRestNineRandom", 9, 800, 0, kUpright, 5},
                             // Half a turn about y brings the back face, upright seen from outside.
                             PoseCase{"HalfTurnLeft", 1, 800, 2513, kUpright, 1},
                             // Quarter turns: the right face, the left face, the top face (all upright), and the
                             // bottom face, whose picture has its top towards +z and so shows turned over.
                             PoseCase{"QuarterTurnLeft", 1, 800, 1257, kUpright, 1},
                             PoseCase{"QuarterTurnRight", 2, 800, 1257, kUpright, 2},
                             PoseCase{"QuarterTurnDown", 4, 800, 1257, kUpright, 4},
                             PoseCase{"QuarterTurnUp", 3, 800, 1257, kMirroredBoth, 3},
                             PoseCase{"ZeroIsLeftAndWrittenBack", 0, 800, 1257, kUpright, 1},
                             // 50 turns as fast as 100 (a quarter, not half a turn, after 157 ms); 9000 as slowly
                             // as 5000.
                             PoseCase{"FastestSpeedClamped", 4, 50, 157, kUpright, 4},
                             PoseCase{"SlowestSpeedClamped", 3, 9000, 7854, kMirroredBoth, 3}),
                         CaseName());

using SceneCuboidTest = SceneTest;

// Depth testing hides the back faces anyway; with it switched off only the culling keeps the
// back face, drawn after the front face, from covering it with a mirrored picture.
TEST_F(SceneCuboidTest, SolidBoxesCullTheFacesTurnedAway) {
  UseOneCube();
  ASSERT_EQ(CuboidScene::Init(), S_OK);
  d3dDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  CuboidScene::Draw();
  ExpectFrontFace(ReadFrame(), kUpright, "culled back face");
}

// With a white picture the background shows its own colour, red from the low byte of the
// COLORREF; the cube in front is lit to white.
struct BackgroundCase {
  const char* name;
  uint8_t showBackground;
  uint32_t backgroundColor;
  Rgb around;
};

void PrintTo(const BackgroundCase& c, std::ostream* os) { *os << c.name; }

class SceneCuboidBackgroundTest : public SceneTest, public ::testing::WithParamInterface<BackgroundCase> {};

TEST_P(SceneCuboidBackgroundTest, TheScreenAroundTheCubeShowsTheBackgroundColour) {
  const BackgroundCase& c = GetParam();
  UseOneCube();
  saverOptions.showBackground = c.showBackground;
  saverOptions.backgroundColor = c.backgroundColor;
  PaintSolid(kWhite);
  ASSERT_EQ(CuboidScene::Init(), S_OK);
  // The first frame draws the quad with the device's default stage states, later ones with
  // those the boxes left.
  for (int frameNumber = 1; frameNumber <= 2; ++frameNumber) {
    CuboidScene::Draw();
    const Frame frame = ReadFrame();
    const std::string what = std::string(c.name) + ", frame " + std::to_string(frameNumber);
    ExpectAround(frame, c.around, 2, what);
    EXPECT_TRUE(ShowsColour(frame, kFaceX, kFaceY, kWhite, 2)) << what << ": the cube stays in front";
  }
}

INSTANTIATE_TEST_SUITE_P(SceneCuboidBackgrounds, SceneCuboidBackgroundTest,
                         ::testing::Values(BackgroundCase{"DefaultColour", 1, 0x008C5F00, Rgb{0, 95, 140}},
                                           BackgroundCase{"RedFromTheLowByte", 1, 0x00204080, Rgb{0x80, 0x40, 0x20}},
                                           BackgroundCase{"Off", 0, 0x008C5F00, kBlack}),
                         CaseName());

TEST_F(SceneCuboidTest, BackgroundShowsThePictureUprightOverTheWholeScreen) {
  UseOneCube();
  saverOptions.showBackground = 1;
  saverOptions.backgroundColor = 0x00FFFFFF;
  ASSERT_EQ(CuboidScene::Init(), S_OK);
  CuboidScene::Draw();
  CuboidScene::Draw();
  // The quarters' centres lie outside the cube.
  ExpectPicture(ReadFrame(), 0, 0, kScreenWidth, kScreenHeight, kUpright, 2, "background");
}

// A grey picture and a white ambient colour light every face to the grey itself, so what
// adds up can be counted: inside the cube two faces lie over each other (front and back, or
// front and a side), over the background one more.
struct AddCase {
  const char* name;
  uint8_t translucent;
  uint8_t showBackground;
  int inside;
  int around;
};

void PrintTo(const AddCase& c, std::ostream* os) { *os << c.name; }

class SceneCuboidBlendTest : public SceneTest, public ::testing::WithParamInterface<AddCase> {};

TEST_P(SceneCuboidBlendTest, TranslucentFacesAddUp) {
  const AddCase& c = GetParam();
  UseOneCube();
  saverOptions.cuboidTranslucent = c.translucent;
  saverOptions.showBackground = c.showBackground;
  saverOptions.backgroundColor = 0x00FFFFFF;
  saverOptions.cuboidBlendColor = 0x00FFFFFF;
  PaintSolid(Rgb{60, 60, 60});
  ASSERT_EQ(CuboidScene::Init(), S_OK);
  CuboidScene::Draw();
  const Frame frame = ReadFrame();
  for (const int x : {kFaceX, kLeftX - 70, kRightX + 70}) {
    EXPECT_TRUE(ShowsColour(frame, x, kFaceY, Rgb{c.inside, c.inside, c.inside}, 3)) << c.name;
  }
  ExpectAround(frame, Rgb{c.around, c.around, c.around}, 3, c.name);
}

INSTANTIATE_TEST_SUITE_P(SceneCuboidBlending, SceneCuboidBlendTest,
                         ::testing::Values(AddCase{"Solid", 0, 0, 60, 0}, AddCase{"Translucent", 1, 0, 120, 0},
                                           AddCase{"TranslucentOverBackground", 1, 1, 180, 60},
                                           AddCase{"SolidOverBackground", 0, 1, 60, 60}),
                         CaseName());

// Ten boxes are made whatever the count; each holds the texture and its own buffer (which
// holds the device) until Cleanup.
TEST_F(SceneCuboidTest, TenBoxesHoldTheirReferencesUntilCleanup) {
  const ULONG textureBefore = References(videoTexture);
  const ULONG deviceBefore = References(d3dDevice);
  for (const int32_t count : {1, 10, 15, 0, -3}) {
    saverOptions.cuboidCount = count;
    saverOptions.showBackground = 0;
    ASSERT_EQ(CuboidScene::Init(), S_OK);
    EXPECT_EQ(References(videoTexture), textureBefore + 10) << count << " boxes asked for";
    EXPECT_EQ(References(d3dDevice), deviceBefore + 10) << count << " boxes asked for";
    EXPECT_EQ(sceneVertexBuffer, nullptr) << "no background quad";
    CuboidScene::Cleanup();
    EXPECT_EQ(References(videoTexture), textureBefore);
    EXPECT_EQ(References(d3dDevice), deviceBefore);
    EXPECT_EQ(saverOptions.cuboidCount, count) << "the setting keeps its value";
  }
  CuboidScene::Cleanup();
  EXPECT_EQ(References(videoTexture), textureBefore) << "a second Cleanup finds nothing to free";
}

// One box drawn on its own: the test sets what the scene would, a world that puts the box's
// front face (z = -0.25) inside the default clip space, where x and y from -0.5 to 0.5
// cover the middle half of the screen, and a white ambient colour.
class SceneCuboidObjectTest : public SceneTest {
 protected:
  static bool DrawBox(CuboidObject& box) {
    D3DMATRIX world = {};
    world._11 = world._22 = world._33 = world._44 = 1.0f;
    world._43 = 0.5f;
    d3dDevice->SetTransform(D3DTS_WORLD, &world);
    d3dDevice->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
    d3dDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    d3dDevice->BeginScene();
    const bool drawn = box.Render();
    d3dDevice->EndScene();
    d3dDevice->Present(nullptr, nullptr, nullptr, nullptr);
    return drawn;
  }
};

// A whole box shows the picture upright on its front face; one without a texture, or whose
// buffer could not be made, draws nothing. Every box gives back what it held.
TEST_F(SceneCuboidObjectTest, ABoxDrawsOnlyWithItsTextureAndBuffer) {
  const ULONG deviceBefore = References(d3dDevice);
  const ULONG textureBefore = References(videoTexture);
  const Vec3 size{1.0f, 1.0f, 0.5f};
  {
    CuboidObject box(d3dDevice, true, size);
    EXPECT_TRUE(box.SetTexture(videoTexture));
    EXPECT_EQ(References(videoTexture), textureBefore + 1) << "a reference of its own";
    EXPECT_TRUE(DrawBox(box));
    const Frame frame = ReadFrame();
    ExpectPicture(frame, 256, 192, 512, 384, kUpright, 2, "front face");
    EXPECT_TRUE(ShowsColour(frame, 100, 100, kBlack, 0));
  }
  {
    CuboidObject untextured(d3dDevice, true, size);
    EXPECT_FALSE(DrawBox(untextured));
    EXPECT_TRUE(ShowsColour(ReadFrame(), 512, 384, kBlack, 0)) << "no texture";
  }
  {
    InstallDeviceFaults(d3dDevice);
    FailVertexBufferCreation(0x112, D3DERR_OUTOFVIDEOMEMORY);
    CuboidObject bufferless(d3dDevice, true, size);
    RemoveDeviceFaults();
    bufferless.SetTexture(videoTexture);
    EXPECT_FALSE(DrawBox(bufferless));
    EXPECT_TRUE(ShowsColour(ReadFrame(), 512, 384, kBlack, 0)) << "no buffer";
  }
  EXPECT_EQ(References(d3dDevice), deviceBefore);
  EXPECT_EQ(References(videoTexture), textureBefore);
}

}  // namespace
}  // namespace scenetest
