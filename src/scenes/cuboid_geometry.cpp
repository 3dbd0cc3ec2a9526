// Cuboid vertices, box tables, axes, angle and colour conversion. Main thread.
#include "scenes/cuboid_geometry.h"

#include "base/clamp.h"

namespace {

struct Signs {
  float x;
  float y;
  float z;
};

// One face: its corners by texture coordinate, P00 (0,0), P01 (0,1), P10 (1,0), P11 (1,1).
// Seen from outside, u runs left to right and v bottom to top; the side faces have the
// picture's top at +y, the top and bottom faces at +z.
struct FaceCorners {
  Signs p00;
  Signs p01;
  Signs p10;
  Signs p11;
};

constexpr FaceCorners kFaces[6] = {
    {{-1, +1, -1}, {-1, +1, +1}, {+1, +1, -1}, {+1, +1, +1}},  // top
    {{-1, -1, -1}, {-1, +1, -1}, {+1, -1, -1}, {+1, +1, -1}},  // front
    {{+1, -1, -1}, {+1, +1, -1}, {+1, -1, +1}, {+1, +1, +1}},  // right
    {{+1, -1, +1}, {+1, +1, +1}, {-1, -1, +1}, {-1, +1, +1}},  // back
    {{-1, -1, +1}, {-1, +1, +1}, {-1, -1, -1}, {-1, +1, -1}},  // left
    {{+1, -1, -1}, {+1, -1, +1}, {-1, -1, -1}, {-1, -1, +1}},  // bottom
};

CuboidVertex MakeCorner(const Signs& s, const Vec3& half, float u, float v) {
  return CuboidVertex{s.x * half.x, s.y * half.y, s.z * half.z, 0.0f, 0.0f, 0.0f, u, v};
}

Vec3 PositionOf(const CuboidVertex& v) { return Vec3{v.x, v.y, v.z}; }

void SetTriangleNormal(CuboidVertex* triangle) {
  const Vec3 n = FaceNormal(PositionOf(triangle[0]), PositionOf(triangle[1]), PositionOf(triangle[2]));
  for (int i = 0; i < 3; ++i) {
    triangle[i].nx = n.x;
    triangle[i].ny = n.y;
    triangle[i].nz = n.z;
  }
}

constexpr float kEdgeByCount[kBoxSlots] = {24, 22, 20, 18, 16, 14, 14, 14, 13, 12};

constexpr Vec3 kLeft{0, 1, 0};
constexpr Vec3 kRight{0, -1, 0};
constexpr Vec3 kUp{1, 0, 0};
constexpr Vec3 kDown{-1, 0, 0};

constexpr int32_t kRandomAngle = 5;

}  // namespace

Vec3 FaceNormal(const Vec3& p0, const Vec3& p1, const Vec3& p2) {
  return Vec3Normalize(Vec3Cross(Vec3Subtract(p1, p0), Vec3Subtract(p2, p0)));
}

CuboidVertices BuildCuboidVertices(const Vec3& size) {
  const Vec3 half{size.x * 0.5f, size.y * 0.5f, size.z * 0.5f};
  CuboidVertices vertices{};
  int32_t next = 0;
  for (const FaceCorners& face : kFaces) {
    // Triangles (P00, P01, P10) and (P11, P10, P01).
    vertices[next + 0] = MakeCorner(face.p00, half, 0, 0);
    vertices[next + 1] = MakeCorner(face.p01, half, 0, 1);
    vertices[next + 2] = MakeCorner(face.p10, half, 1, 0);
    vertices[next + 3] = MakeCorner(face.p11, half, 1, 1);
    vertices[next + 4] = MakeCorner(face.p10, half, 1, 0);
    vertices[next + 5] = MakeCorner(face.p01, half, 0, 1);
    next += 6;
  }
  for (int32_t first = 0; first < kCuboidVertexCount; first += 3) {
    SetTriangleNormal(&vertices[first]);
  }
  return vertices;
}

int32_t ClampBoxCount(int32_t cuboidCount) { return ClampInt(cuboidCount, 1, kBoxSlots); }

float BoxEdgeForCount(int32_t boxCount) { return kEdgeByCount[ClampBoxCount(boxCount) - 1]; }

// Kept as designed, uneven spots included (the lower pair of five sits at -22, the middle
// row of ten is spaced 19, 22, 19).
const BoxPlace boxLayout[kBoxSlots][kBoxSlots] = {
    {{0, 0}},
    {{20, 0}, {-20, 0}},
    {{0, 20}, {18, -18}, {-18, -18}},
    {{25, 0}, {-25, 0}, {0, 25}, {0, -25}},
    {{0, 0}, {-24, 25}, {24, 25}, {-24, -22}, {24, -22}},
    {{0, 20}, {0, -20}, {-25, 20}, {25, 20}, {-25, -20}, {25, -20}},
    {{15, 25}, {-15, 25}, {0, 0}, {25, 0}, {-25, 0}, {15, -25}, {-15, -25}},
    {{0, 25}, {25, 25}, {-25, 25}, {15, 0}, {-15, 0}, {25, -25}, {0, -25}, {-25, -25}},
    {{-25, 25}, {0, 25}, {25, 25}, {-25, 0}, {0, 0}, {25, 0}, {-25, -25}, {0, -25}, {25, -25}},
    {{0, 25}, {23, 25}, {-23, 25}, {30, 0}, {11, 0}, {-11, 0}, {-30, 0}, {0, -25}, {23, -25}, {-23, -25}},
};

Vec3 RandomBoxAxis(int32_t draw) {
  static constexpr Vec3 kAxes[6] = {kLeft, kRight, kUp, kDown, {-1, -1, 0}, {1, -1, 0}};
  return kAxes[draw % 6];
}

BoxAxes DrawBoxAxes(SceneRandom& random) {
  BoxAxes axes{};
  for (Vec3& axis : axes) {
    axis = RandomBoxAxis(random.Next());
  }
  return axes;
}

int32_t ClampRotationAngle(int32_t rotationAngle) { return ClampInt(rotationAngle, 1, kRandomAngle); }

BoxAxes ChooseBoxAxes(int32_t& rotationAngle, const BoxAxes& boxAxes) {
  rotationAngle = ClampRotationAngle(rotationAngle);
  if (rotationAngle == kRandomAngle) {
    return boxAxes;
  }
  static constexpr Vec3 kFixed[4] = {kLeft, kRight, kUp, kDown};
  BoxAxes axes{};
  axes.fill(kFixed[rotationAngle - 1]);
  return axes;
}

float ClampRotationDivisor(float rotationSpeed) { return ClampFloat(rotationSpeed, 100.0f, 5000.0f); }

float RotationAngleAt(uint32_t milliseconds, float rotationDivisor) {
  const float clock = static_cast<float>(milliseconds);
  const float angle = clock / rotationDivisor;
  return angle;
}

uint32_t ColorRefToArgb(uint32_t colorRef) {
  const uint32_t red = colorRef & 0xFFu;
  const uint32_t green = (colorRef >> 8) & 0xFFu;
  const uint32_t blue = (colorRef >> 16) & 0xFFu;
  return 0xFF000000u | (red << 16) | (green << 8) | blue;
}

std::array<SceneVertex, 4> BuildBackgroundQuad(int32_t screenWidth, int32_t screenHeight, uint32_t colour) {
  const float hw = static_cast<float>(screenWidth / 2);
  const float hh = static_cast<float>(screenHeight / 2);
  return {{
      {-hw, -hh, 1.0f, colour, 0, 0},
      {-hw, +hh, 1.0f, colour, 0, 1},
      {+hw, -hh, 1.0f, colour, 1, 0},
      {+hw, +hh, 1.0f, colour, 1, 1},
  }};
}
