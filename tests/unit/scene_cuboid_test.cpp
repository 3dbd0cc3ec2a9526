// Cuboid geometry and the cuboid scene's tables: box vertices, normals, winding and
// texture orientation; edge and layout per count; axes, divisor, angle and colours.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "scenes/cuboid_geometry.h"

namespace {

struct Face {
  const char* name;
  Vec3 normal;
  // Corner signs for the texture coordinates (0,0), (0,1), (1,0), (1,1).
  Vec3 p00;
  Vec3 p01;
  Vec3 p10;
  Vec3 p11;
  Vec3 pictureUp;
};

// Buffer order top, front, right, back, left, bottom.
const Face kFaces[6] = {
    {"top", {0, 1, 0}, {-1, 1, -1}, {-1, 1, 1}, {1, 1, -1}, {1, 1, 1}, {0, 0, 1}},
    {"front", {0, 0, -1}, {-1, -1, -1}, {-1, 1, -1}, {1, -1, -1}, {1, 1, -1}, {0, 1, 0}},
    {"right", {1, 0, 0}, {1, -1, -1}, {1, 1, -1}, {1, -1, 1}, {1, 1, 1}, {0, 1, 0}},
    {"back", {0, 0, 1}, {1, -1, 1}, {1, 1, 1}, {-1, -1, 1}, {-1, 1, 1}, {0, 1, 0}},
    {"left", {-1, 0, 0}, {-1, -1, 1}, {-1, 1, 1}, {-1, -1, -1}, {-1, 1, -1}, {0, 1, 0}},
    {"bottom", {0, -1, 0}, {1, -1, -1}, {1, -1, 1}, {-1, -1, -1}, {-1, -1, 1}, {0, 0, 1}},
};

Vec3 Position(const CuboidVertex& v) { return {v.x, v.y, v.z}; }

void ExpectVec3Eq(const Vec3& expected, const Vec3& actual, const std::string& where) {
  EXPECT_EQ(expected.x, actual.x) << where;
  EXPECT_EQ(expected.y, actual.y) << where;
  EXPECT_EQ(expected.z, actual.z) << where;
}

TEST(SceneCuboid, ThirtySixVerticesFaceByFace) {
  for (float edge : {24.0f, 12.0f}) {
    const float h = edge / 2;
    const CuboidVertices v = BuildCuboidVertices({edge, edge, edge});
    for (int f = 0; f < 6; ++f) {
      const Face& face = kFaces[f];
      struct Corner {
        Vec3 signs;
        float u;
        float v;
      };
      const Corner order[6] = {{face.p00, 0, 0}, {face.p01, 0, 1}, {face.p10, 1, 0},
                               {face.p11, 1, 1}, {face.p10, 1, 0}, {face.p01, 0, 1}};
      for (int k = 0; k < 6; ++k) {
        const CuboidVertex& actual = v[f * 6 + k];
        const std::string where =
            std::string(face.name) + " vertex " + std::to_string(k) + " edge " + std::to_string(edge);
        ExpectVec3Eq({order[k].signs.x * h, order[k].signs.y * h, order[k].signs.z * h}, Position(actual), where);
        ExpectVec3Eq(face.normal, {actual.nx, actual.ny, actual.nz}, where);
        EXPECT_EQ(order[k].u, actual.u) << where;
        EXPECT_EQ(order[k].v, actual.v) << where;
      }
    }
  }
}

TEST(SceneCuboid, RectangularSizesUseTheirOwnHalfEdges) {
  const CuboidVertices v = BuildCuboidVertices({4, 10, 30});
  for (const CuboidVertex& c : v) {
    EXPECT_EQ(2.0f, std::fabs(c.x));
    EXPECT_EQ(5.0f, std::fabs(c.y));
    EXPECT_EQ(15.0f, std::fabs(c.z));
    EXPECT_FLOAT_EQ(1.0f, c.nx * c.nx + c.ny * c.ny + c.nz * c.nz);
  }
}

TEST(SceneCuboid, FaceNormalIsTheNormalisedCrossOfTheEdges) {
  struct Case {
    Vec3 p0, p1, p2, normal;
  };
  const Case cases[] = {
      {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, -1}},
      {{0, 0, 0}, {0, 5, 0}, {5, 0, 0}, {0, 0, -1}},
      {{1, 1, 1}, {1, 1, 3}, {1, 4, 1}, {-1, 0, 0}},
      {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
  };
  for (const Case& c : cases) {
    ExpectVec3Eq(c.normal, FaceNormal(c.p0, c.p1, c.p2), "face normal");
  }
}

// Seen from outside, u runs from the viewer's left to right and v upward: the picture is
// neither mirrored nor turned on any face.
TEST(SceneCuboid, EveryFaceShowsThePictureUprightFromOutside) {
  const CuboidVertices v = BuildCuboidVertices({2, 2, 2});
  for (int f = 0; f < 6; ++f) {
    const Face& face = kFaces[f];
    const Vec3 p00 = Position(v[f * 6 + 0]);
    const Vec3 up = Vec3Normalize(Vec3Subtract(Position(v[f * 6 + 1]), p00));
    const Vec3 across = Vec3Normalize(Vec3Subtract(Position(v[f * 6 + 2]), p00));
    const Vec3 look{-face.normal.x, -face.normal.y, -face.normal.z};
    // Left-handed: right = up x look, as (0,1,0) x (0,0,1) = (1,0,0).
    ExpectVec3Eq(face.pictureUp, up, face.name);
    ExpectVec3Eq(Vec3Cross(up, look), across, face.name);
  }
}

// Through the scene's own camera, triangles that face the eye run clockwise on screen and
// the others counter-clockwise, whatever the pose: default culling shows exactly the outside.
TEST(SceneCuboid, FacesTowardTheCameraRunClockwiseOnScreen) {
  const Vec3 eye{0, 3, -100};
  const Matrix4 view = MatrixLookAtLH(eye, {0, 0, 0}, {0, 1, 0});
  const Matrix4 camera = MatrixMultiply(view, MatrixPerspectiveFovLH(0.7853982f, 1.0f, 1.0f, 500.0f));
  struct Pose {
    Vec3 axis;
    float angle;
    float x;
    float y;
  };
  const Pose poses[] = {{{0, 1, 0}, 0.0f, 0, 0},
                        {{1, -1, 0}, 0.8f, 25, -25},
                        {{0, 1, 0}, 2.0f, -25, 25},
                        {{1, 0, 0}, 4.0f, 30, 0},
                        {{-1, -1, 0}, 5.5f, 0, 25}};
  const CuboidVertices v = BuildCuboidVertices({14, 14, 14});
  int facing = 0;
  int away = 0;
  for (const Pose& pose : poses) {
    const Matrix4 rotation = MatrixRotationAxis(pose.axis, pose.angle);
    const Matrix4 world = MatrixMultiply(rotation, MatrixTranslation(pose.x, pose.y, 0));
    const Matrix4 all = MatrixMultiply(world, camera);
    for (int t = 0; t < kCuboidTriangleCount; ++t) {
      float sx[3];
      float sy[3];
      Vec3 centre{0, 0, 0};
      for (int k = 0; k < 3; ++k) {
        const Vec3 p = Position(v[t * 3 + k]);
        const Vec4 clip = TransformPoint(p, all);
        sx[k] = clip.x / clip.w;
        sy[k] = clip.y / clip.w;
        const Vec4 w = TransformPoint(p, world);
        centre = {centre.x + w.x / 3, centre.y + w.y / 3, centre.z + w.z / 3};
      }
      const CuboidVertex& first = v[t * 3];
      const Vec4 n = TransformPoint({first.nx, first.ny, first.nz}, rotation);
      const float toEye = Vec3Dot({n.x, n.y, n.z}, Vec3Subtract(eye, centre));
      if (std::fabs(toEye) < 1.0f) {
        continue;  // edge-on
      }
      const float twiceArea = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sx[2] - sx[0]) * (sy[1] - sy[0]);
      if (toEye > 0) {
        ++facing;
        EXPECT_LT(twiceArea, 0.0f) << "triangle " << t << " angle " << pose.angle;
      } else {
        ++away;
        EXPECT_GT(twiceArea, 0.0f) << "triangle " << t << " angle " << pose.angle;
      }
    }
  }
  EXPECT_GT(facing, 0);
  EXPECT_GT(away, 0);
}

TEST(SceneCuboid, EdgeAndLayoutByCount) {
  struct Case {
    int32_t count;
    float edge;
    std::vector<BoxPlace> places;
  };
  const Case cases[] = {
      {1, 24, {{0, 0}}},
      {2, 22, {{20, 0}, {-20, 0}}},
      {3, 20, {{0, 20}, {18, -18}, {-18, -18}}},
      {4, 18, {{25, 0}, {-25, 0}, {0, 25}, {0, -25}}},
      {5, 16, {{0, 0}, {-24, 25}, {24, 25}, {-24, -22}, {24, -22}}},
      {6, 14, {{0, 20}, {0, -20}, {-25, 20}, {25, 20}, {-25, -20}, {25, -20}}},
      {7, 14, {{15, 25}, {-15, 25}, {0, 0}, {25, 0}, {-25, 0}, {15, -25}, {-15, -25}}},
      {8, 14, {{0, 25}, {25, 25}, {-25, 25}, {15, 0}, {-15, 0}, {25, -25}, {0, -25}, {-25, -25}}},
      {9, 13, {{-25, 25}, {0, 25}, {25, 25}, {-25, 0}, {0, 0}, {25, 0}, {-25, -25}, {0, -25}, {25, -25}}},
      {10, 12, {{0, 25}, {23, 25}, {-23, 25}, {30, 0}, {11, 0}, {-11, 0}, {-30, 0}, {0, -25}, {23, -25}, {-23, -25}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.count, ClampBoxCount(c.count));
    EXPECT_EQ(c.edge, BoxEdgeForCount(c.count)) << c.count;
    for (size_t i = 0; i < c.places.size(); ++i) {
      EXPECT_EQ(c.places[i].x, boxLayout[c.count - 1][i].x) << c.count << " box " << i;
      EXPECT_EQ(c.places[i].y, boxLayout[c.count - 1][i].y) << c.count << " box " << i;
    }
    // At rest no two boxes of a layout overlap.
    for (size_t i = 0; i < c.places.size(); ++i) {
      for (size_t j = i + 1; j < c.places.size(); ++j) {
        const float dx = std::fabs(c.places[i].x - c.places[j].x);
        const float dy = std::fabs(c.places[i].y - c.places[j].y);
        EXPECT_TRUE(dx >= c.edge || dy >= c.edge) << c.count << ": " << i << ", " << j;
      }
    }
  }
}

TEST(SceneCuboid, BoxCountIsClampedToOneToTen) {
  struct Case {
    int32_t stored;
    int32_t used;
    float edge;
  };
  const Case cases[] = {{0, 1, 24}, {-3, 1, 24}, {1, 1, 24}, {10, 10, 12}, {11, 10, 12}, {15, 10, 12}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.used, ClampBoxCount(c.stored)) << c.stored;
    EXPECT_EQ(c.edge, BoxEdgeForCount(c.stored)) << c.stored;
  }
}

TEST(SceneCuboid, RotationAngleChoosesTheAxesAndIsWrittenBackInRange) {
  BoxAxes random{};
  for (int i = 0; i < kBoxSlots; ++i) {
    random[i] = {static_cast<float>(i), -1, 0};  // distinct per box
  }
  struct Case {
    int32_t stored;
    int32_t after;
    Vec3 axis;  // unused for "Random"
  };
  const Case cases[] = {
      {-7, 1, {0, 1, 0}}, {0, 1, {0, 1, 0}},  {1, 1, {0, 1, 0}}, {2, 2, {0, -1, 0}},
      {3, 3, {1, 0, 0}},  {4, 4, {-1, 0, 0}}, {5, 5, {0, 0, 0}}, {8, 5, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    int32_t setting = c.stored;
    const BoxAxes axes = ChooseBoxAxes(setting, random);
    EXPECT_EQ(c.after, setting) << c.stored;
    for (int i = 0; i < kBoxSlots; ++i) {
      const Vec3 expected = c.after == 5 ? random[i] : c.axis;
      ExpectVec3Eq(expected, axes[i], "setting " + std::to_string(c.stored) + " box " + std::to_string(i));
    }
  }
}

TEST(SceneCuboid, RandomAxesComeFromRandModuloSix) {
  struct Case {
    int32_t draw;
    Vec3 axis;
  };
  const Case cases[] = {{0, {0, 1, 0}},   {1, {0, -1, 0}}, {2, {1, 0, 0}}, {3, {-1, 0, 0}},
                        {4, {-1, -1, 0}}, {5, {1, -1, 0}}, {6, {0, 1, 0}}, {32767, {0, -1, 0}}};
  for (const Case& c : cases) {
    ExpectVec3Eq(c.axis, RandomBoxAxis(c.draw), "draw " + std::to_string(c.draw));
  }
  // The runtime's sequence after seeding with 1 is 41, 18467, 6334, 26500, 19169, 15724,
  // 11478, 29358, 26962, 24464; modulo 6: 5 5 4 4 5 4 0 0 4 2.
  SceneRandom random(1);
  const BoxAxes axes = DrawBoxAxes(random);
  const int expected[kBoxSlots] = {5, 5, 4, 4, 5, 4, 0, 0, 4, 2};
  for (int i = 0; i < kBoxSlots; ++i) {
    ExpectVec3Eq(RandomBoxAxis(expected[i]), axes[i], "box " + std::to_string(i));
  }
}

TEST(SceneCuboid, RotationDivisorIsClamped) {
  struct Case {
    float speed;
    float divisor;
  };
  const float inf = std::numeric_limits<float>::infinity();
  const Case cases[] = {{50, 100},
                        {100, 100},
                        {100.5f, 100.5f},
                        {800, 800},
                        {4999.5f, 4999.5f},
                        {5000, 5000},
                        {9000, 5000},
                        {-1, 100},
                        {inf, 5000},
                        {-inf, 100},
                        {std::numeric_limits<float>::quiet_NaN(), 100}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.divisor, ClampRotationDivisor(c.speed)) << c.speed;
  }
}

TEST(SceneCuboid, AngleIsTheClockOverTheDivisorInSinglePrecision) {
  struct Case {
    uint32_t clock;
    float divisor;
    float angle;
  };
  const Case cases[] = {
      {0, 800, 0.0f},
      {1000, 800, 1.25f},  // the default turns 1.25 radians a second
      {1000, 100, 10.0f},
      {1728000000, 800, 2160000.0f},   // 20 days
      {1728000001, 800, 2160000.0f},   // a float clock only resolves 128 ms there
      {16777217, 100, 167772.15625f},  // 2^24 + 1 rounds to 2^24 before dividing
      {0xFFFFFFFFu, 800, 5368709.0f},  // just before the wrap: 2^32 / 800, rounded
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.angle, RotationAngleAt(c.clock, c.divisor)) << c.clock;
  }
}

TEST(SceneCuboid, ColourRefBecomesOpaqueArgb) {
  struct Case {
    uint32_t colorRef;
    uint32_t argb;
  };
  // clang-format off
  const Case cases[] = {
      {0x008C5F00u, 0xFF005F8Cu},  // default background
      {0x006161AFu, 0xFFAF6161u},  // default blend colour
      {0x00000000u, 0xFF000000u},
      {0x00FFFFFFu, 0xFFFFFFFFu},
      {0x000000FFu, 0xFFFF0000u},
      {0xAB123456u, 0xFF563412u},  // the unused top byte is dropped
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(c.argb, ColorRefToArgb(c.colorRef)) << std::hex << c.colorRef;
  }
}

TEST(SceneCuboid, BackgroundQuadCoversTheScreen) {
  struct Case {
    int32_t width;
    int32_t height;
    float hw;
    float hh;
  };
  for (const Case& c : {Case{1024, 768, 512, 384}, Case{1023, 767, 511, 383}}) {
    const auto quad = BuildBackgroundQuad(c.width, c.height, 0xFF005F8Cu);
    const float expected[4][4] = {{-c.hw, -c.hh, 0, 0}, {-c.hw, c.hh, 0, 1}, {c.hw, -c.hh, 1, 0}, {c.hw, c.hh, 1, 1}};
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(expected[i][0], quad[i].x) << i;
      EXPECT_EQ(expected[i][1], quad[i].y) << i;
      EXPECT_EQ(1.0f, quad[i].z) << i;
      EXPECT_EQ(0xFF005F8Cu, quad[i].diffuse) << i;
      EXPECT_EQ(expected[i][2], quad[i].u) << i;
      EXPECT_EQ(expected[i][3], quad[i].v) << i;
    }
  }
}

}  // namespace
