// The scene dispatch under Wine: which scene each shape value reaches, told apart by what
// its Init leaves on the device, and a failed Init followed by CleanupScene, which frees
// exactly what the scene had made.
#include <windows.h>

#include <d3d8.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "scene_device_faults.h"
#include "scene_test_support.h"
#include "scenes/device_objects_win.h"
#include "scenes/scene_dispatch_win.h"
#include "scenes/star_scene_win.h"

namespace scenetest {
namespace {

UINT VertexBufferBytes() {
  D3DVERTEXBUFFER_DESC description;
  if (sceneVertexBuffer == nullptr || sceneVertexBuffer->GetDesc(&description) != D3D_OK) return 0;
  return description.Size;
}

UINT IndexBufferBytes() {
  D3DINDEXBUFFER_DESC description;
  if (sceneIndexBuffer == nullptr || sceneIndexBuffer->GetDesc(&description) != D3D_OK) return 0;
  return description.Size;
}

// Settings under which each scene leaves its own trace: the cuboids a 96-byte background
// quad, no index buffer and ten texture references (one cube shown); the 1 x 1 grid 96
// bytes of vertices and 12 of indices; the seven stars 672 and 84.
void UseTraceableSettings(int32_t shape) {
  saverOptions.shape = shape;
  saverOptions.showBackground = 1;
  saverOptions.cuboidCount = 1;
  saverOptions.gridColumns = 1;
  saverOptions.gridRows = 1;
  saverOptions.starCount = 7;
}

enum class Scene { Cuboid, Grid, Star };

struct ShapeCase {
  const char* name;
  int32_t shape;
  Scene scene;
};

void PrintTo(const ShapeCase& c, std::ostream* os) { *os << c.name; }

class SceneDispatchTest : public SceneTest, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(SceneDispatchTest, TheShapeChoosesTheScene) {
  const ShapeCase& c = GetParam();
  UseTraceableSettings(c.shape);
  const ULONG textureBefore = References(videoTexture);

  ASSERT_EQ(InitScene(), S_OK);
  const struct {
    UINT vertexBytes, indexBytes;
    ULONG boxReferences;
    size_t stars;
  } expected[] = {{96, 0, 10, 0}, {96, 12, 0, 0}, {672, 84, 0, 7}};
  const auto& e = expected[static_cast<int>(c.scene)];
  EXPECT_EQ(VertexBufferBytes(), e.vertexBytes);
  EXPECT_EQ(IndexBufferBytes(), e.indexBytes);
  EXPECT_EQ(References(videoTexture), textureBefore + e.boxReferences);
  EXPECT_EQ(starField.Stars().size(), e.stars);

  EXPECT_EQ(AdvanceScene(), 0);
  EXPECT_EQ(DrawScene(), 0);
  // The grid of one tile shows the picture over the whole screen; the other two scenes
  // leave the upper-left corner to the background (tinted with no red) or to the black.
  const Frame frame = ReadFrame();
  if (c.scene == Scene::Grid) {
    EXPECT_TRUE(ShowsColour(frame, 256, 192, kRed, 2));
  } else {
    EXPECT_EQ(frame.At(256, 192).r, 0) << Describe(frame.At(256, 192));
  }

  CleanupScene();
  EXPECT_EQ(References(videoTexture), textureBefore) << "the boxes are gone";
  EXPECT_TRUE(starField.Stars().empty()) << "the stars are gone";
  EXPECT_EQ(saverOptions.shape, c.shape) << "the setting is not corrected";
  EXPECT_TRUE(Notices().empty());
}

INSTANTIATE_TEST_SUITE_P(SceneDispatchShapes, SceneDispatchTest,
                         ::testing::Values(ShapeCase{"Cuboid1", 1, Scene::Cuboid}, ShapeCase{"Grid2", 2, Scene::Grid},
                                           ShapeCase{"Star3", 3, Scene::Star}, ShapeCase{"Zero", 0, Scene::Star},
                                           ShapeCase{"Negative", -1, Scene::Star}, ShapeCase{"Four", 4, Scene::Star}),
                         CaseName());

// A device call refused at each step of a scene's Init, then the CleanupScene of the run
// loop's way out. Init fails with E_FAIL and the notice of that step (none for a refused
// index buffer creation). Every buffer holds a reference to the device, so the device's
// count tells which buffers exist: what the scene made for itself (boxes with their buffers
// and texture references, stars) goes at Cleanup, what is in the slots stays for the device
// release.
struct PartWayCase {
  const char* name;
  int32_t shape;
  void (*arm)();
  const char* notice;  // null: none
  ULONG buffersMade;   // after Init
  ULONG boxes;         // after Init, one texture reference each
  size_t stars;        // after Init
  ULONG buffersLeft;   // after CleanupScene
};

void PrintTo(const PartWayCase& c, std::ostream* os) { *os << c.name; }

class SceneDispatchCleanupTest : public SceneTest, public ::testing::WithParamInterface<PartWayCase> {};

TEST_P(SceneDispatchCleanupTest, CleanupAfterAFailedInitFreesExactlyWhatExists) {
  const PartWayCase& c = GetParam();
  UseTraceableSettings(c.shape);
  const ULONG deviceBefore = References(d3dDevice);
  const ULONG textureBefore = References(videoTexture);
  InstallDeviceFaults(d3dDevice);
  c.arm();

  EXPECT_EQ(InitScene(), E_FAIL);
  if (c.notice == nullptr) {
    EXPECT_TRUE(Notices().empty());
  } else {
    EXPECT_EQ(Notices(), std::vector<std::string>{c.notice});
  }
  EXPECT_EQ(References(d3dDevice), deviceBefore + c.buffersMade);
  EXPECT_EQ(References(videoTexture), textureBefore + c.boxes);
  EXPECT_EQ(starField.Stars().size(), c.stars);

  CleanupScene();
  EXPECT_EQ(References(d3dDevice), deviceBefore + c.buffersLeft);
  EXPECT_EQ(References(videoTexture), textureBefore);
  EXPECT_TRUE(starField.Stars().empty());
}

void RefuseSceneVertexBuffer() { FailVertexBufferCreation(0x142, D3DERR_OUTOFVIDEOMEMORY); }
void RefuseSceneVertexLock() { FailVertexBufferLock(0x142, 0, D3DERR_INVALIDCALL); }
void RefuseIndexBuffer() { FailIndexBufferCreation(E_OUTOFMEMORY); }
void RefuseIndexLock() { FailIndexBufferLock(0, D3DERR_INVALIDCALL); }

constexpr char kVertexBufferNotMade[] = "Could not create a vertex buffer!  hr=0x8876017c";
constexpr char kVertexBufferNotLocked[] = "Could not lock the vertex buffer!  hr=0x8876086c";
constexpr char kIndexBufferNotLocked[] = "Could not lock the index buffer!  hr=0x8876086c";

INSTANTIATE_TEST_SUITE_P(
    SceneDispatchPartWay, SceneDispatchCleanupTest,
    ::testing::Values(
        // Ten boxes with a buffer each exist before the background quad is tried.
        PartWayCase{"CuboidBackgroundNotMade", 1, RefuseSceneVertexBuffer, "Cube Initialization Failed!  hr=0x8876017c",
                    10, 10, 0, 0},
        PartWayCase{"CuboidBackgroundNotLocked", 1, RefuseSceneVertexLock, "Cube Initialization Failed!  hr=0x8876086c",
                    11, 10, 0, 1},
        PartWayCase{"GridVertexBufferNotMade", 2, RefuseSceneVertexBuffer, kVertexBufferNotMade, 0, 0, 0, 0},
        PartWayCase{"GridVertexBufferNotLocked", 2, RefuseSceneVertexLock, kVertexBufferNotLocked, 1, 0, 0, 1},
        PartWayCase{"GridIndexBufferNotMade", 2, RefuseIndexBuffer, nullptr, 1, 0, 0, 1},
        PartWayCase{"GridIndexBufferNotLocked", 2, RefuseIndexLock, kIndexBufferNotLocked, 2, 0, 0, 2},
        // The stars are placed before any buffer is tried.
        PartWayCase{"StarVertexBufferNotMade", 3, RefuseSceneVertexBuffer, kVertexBufferNotMade, 0, 0, 7, 0},
        PartWayCase{"StarVertexBufferNotLocked", 0, RefuseSceneVertexLock, kVertexBufferNotLocked, 1, 0, 7, 1},
        PartWayCase{"StarIndexBufferNotMade", -1, RefuseIndexBuffer, nullptr, 1, 0, 7, 1},
        PartWayCase{"StarIndexBufferNotLocked", 4, RefuseIndexLock, kIndexBufferNotLocked, 2, 0, 7, 2}),
    CaseName());

}  // namespace
}  // namespace scenetest
