// Matrix and vector helpers that replace D3DX8: each against values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "scenes/math3d.h"

namespace {

Matrix4 Rows(const float (&values)[4][4]) {
  Matrix4 m{};
  std::memcpy(m.m, values, sizeof m.m);
  return m;
}

void ExpectMatrixEq(const float (&expected)[4][4], const Matrix4& actual) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      EXPECT_EQ(expected[r][c], actual.m[r][c]) << "row " << r << " col " << c;
    }
  }
}

void ExpectMatrixNear(const float (&expected)[4][4], const Matrix4& actual, float tolerance) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      EXPECT_NEAR(expected[r][c], actual.m[r][c], tolerance) << "row " << r << " col " << c;
    }
  }
}

constexpr float kHalfPi = 1.5707964f;
constexpr float kPi = 3.1415927f;
constexpr float kRootHalf = 0.70710678f;

TEST(SceneMath, MatrixHasTheDeviceLayoutRowAfterRow) {
  const Matrix4 t = MatrixTranslation(7.0f, 8.0f, 9.0f);
  float flat[16];
  std::memcpy(flat, &t, sizeof flat);
  // SetTransform reads the translation from elements 12..14 (_41, _42, _43).
  EXPECT_EQ(7.0f, flat[12]);
  EXPECT_EQ(8.0f, flat[13]);
  EXPECT_EQ(9.0f, flat[14]);
  EXPECT_EQ(1.0f, flat[15]);
  EXPECT_EQ(0.0f, flat[3]);
}

TEST(SceneMath, IdentityAndTranslation) {
  ExpectMatrixEq({{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}, MatrixIdentity());
  ExpectMatrixEq({{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {3, -4, 5.5f, 1}}, MatrixTranslation(3.0f, -4.0f, 5.5f));
}

TEST(SceneMath, MultiplyIsRowByColumnAndAppliesTheLeftFactorFirst) {
  const Matrix4 a = Rows({{1, 2, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {3, 4, 5, 1}});
  const Matrix4 b = Rows({{2, 0, 0, 0}, {0, 3, 0, 0}, {1, 0, 1, 0}, {0, 0, 0, 1}});
  ExpectMatrixEq({{2, 6, 0, 0}, {0, 3, 0, 0}, {1, 0, 1, 0}, {11, 12, 5, 1}}, MatrixMultiply(a, b));
  ExpectMatrixEq({{2, 4, 0, 0}, {0, 3, 0, 0}, {1, 2, 1, 0}, {3, 4, 5, 1}}, MatrixMultiply(b, a));

  // Rotate a quarter turn about z, then move: (1, 0, 0) -> (0, 1, 0) -> (10, 1, 0).
  const Matrix4 world = MatrixMultiply(MatrixRotationAxis({0, 0, 1}, kHalfPi), MatrixTranslation(10.0f, 0.0f, 0.0f));
  const Vec4 p = TransformPoint({1, 0, 0}, world);
  EXPECT_NEAR(10.0f, p.x, 1e-6f);
  EXPECT_NEAR(1.0f, p.y, 1e-6f);
  EXPECT_NEAR(0.0f, p.z, 1e-6f);
  EXPECT_EQ(1.0f, p.w);
}

TEST(SceneMath, Normalize) {
  struct Case {
    Vec3 in;
    Vec3 out;
  };
  const Case cases[] = {
      {{3, 4, 0}, {0.6f, 0.8f, 0}},
      {{0, 0, -2}, {0, 0, -1}},
      {{2, 3, 6}, {2.0f / 7, 3.0f / 7, 6.0f / 7}},
      {{1, -1, 0}, {kRootHalf, -kRootHalf, 0}},
      {{-1, -1, 0}, {-kRootHalf, -kRootHalf, 0}},
      {{0, 0, 0}, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    const Vec3 n = Vec3Normalize(c.in);
    EXPECT_FLOAT_EQ(c.out.x, n.x) << c.in.x << "," << c.in.y << "," << c.in.z;
    EXPECT_FLOAT_EQ(c.out.y, n.y) << c.in.x << "," << c.in.y << "," << c.in.z;
    EXPECT_FLOAT_EQ(c.out.z, n.z) << c.in.x << "," << c.in.y << "," << c.in.z;
  }
}

TEST(SceneMath, RotationAxisMovesPointsAsWorkedOutByHand) {
  struct Case {
    const char* what;
    Vec3 axis;
    float angle;
    Vec3 point;
    Vec3 moved;
  };
  const Case cases[] = {
      // "Left": the face looking at the viewer (normal -z) turns to -x.
      {"y quarter, +x", {0, 1, 0}, kHalfPi, {1, 0, 0}, {0, 0, -1}},
      {"y quarter, -z", {0, 1, 0}, kHalfPi, {0, 0, -1}, {-1, 0, 0}},
      // "Up": the front face (normal -z) turns to +y.
      {"x quarter, -z", {1, 0, 0}, kHalfPi, {0, 0, -1}, {0, 1, 0}},
      {"non-unit z axis", {0, 0, 2}, kHalfPi, {1, 0, 0}, {0, 1, 0}},
      {"non-unit diagonal half turn", {1, -1, 0}, kPi, {1, 0, 0}, {0, -1, 0}},
      {"diagonal keeps its own axis", {1, -1, 0}, 0.7f, {3, -3, 0}, {3, -3, 0}},
      {"zero angle", {-1, -1, 0}, 0.0f, {1, 2, 3}, {1, 2, 3}},
  };
  for (const Case& c : cases) {
    const Vec4 p = TransformPoint(c.point, MatrixRotationAxis(c.axis, c.angle));
    EXPECT_NEAR(c.moved.x, p.x, 1e-6f) << c.what;
    EXPECT_NEAR(c.moved.y, p.y, 1e-6f) << c.what;
    EXPECT_NEAR(c.moved.z, p.z, 1e-6f) << c.what;
    EXPECT_EQ(1.0f, p.w) << c.what;
  }
}

TEST(SceneMath, RotationAxisRowsForANonUnitAxis) {
  // Axis (1, -1, 0) normalised to (r, -r, 0): with k = 1 - c the rows are
  // (k r r + c, -k r r, r s), (-k r r, k r r + c, r s), (-r s, -r s, c).
  const float angle = 0.3f;
  const float c = std::cos(angle);
  const float s = std::sin(angle);
  const float krr = (1.0f - c) * 0.5f;
  const float rs = kRootHalf * s;
  ExpectMatrixNear({{krr + c, -krr, rs, 0}, {-krr, krr + c, rs, 0}, {-rs, -rs, c, 0}, {0, 0, 0, 1}},
                   MatrixRotationAxis({1, -1, 0}, angle), 1e-6f);
  // A unit axis given the long way gives the same matrix.
  ExpectMatrixNear({{krr + c, -krr, rs, 0}, {-krr, krr + c, rs, 0}, {-rs, -rs, c, 0}, {0, 0, 0, 1}},
                   MatrixRotationAxis({5, -5, 0}, angle), 1e-6f);
}

TEST(SceneMath, LookAtLH) {
  // The star camera: eye on -z looking at the origin is a plain shift by 5.
  ExpectMatrixEq({{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 5, 1}},
                 MatrixLookAtLH({0, 0, -5}, {0, 0, 0}, {0, 1, 0}));

  // The cuboid camera, eye (0, 3, -100): with L = sqrt(3^2 + 100^2),
  // z = (0, -3/L, 100/L), x = (1, 0, 0), y = (0, 100/L, 3/L); the eye sits at distance L.
  const float l = 100.04499f;
  const float a = 100.0f / l;
  const float b = 3.0f / l;
  const Matrix4 view = MatrixLookAtLH({0, 3, -100}, {0, 0, 0}, {0, 1, 0});
  ExpectMatrixNear({{1, 0, 0, 0}, {0, a, -b, 0}, {0, b, a, 0}, {0, 0, l, 1}}, view, 2e-5f);

  const Vec4 eye = TransformPoint({0, 3, -100}, view);
  EXPECT_NEAR(0.0f, eye.x, 1e-4f);
  EXPECT_NEAR(0.0f, eye.y, 1e-4f);
  EXPECT_NEAR(0.0f, eye.z, 1e-4f);
}

TEST(SceneMath, PerspectiveFovLH) {
  // cot(pi / 8) = 1 + sqrt(2).
  const float ys = 2.4142136f;
  ExpectMatrixNear({{ys, 0, 0, 0}, {0, ys, 0, 0}, {0, 0, 2000.0f / 1999.0f, 1}, {0, 0, -2000.0f / 1999.0f, 0}},
                   MatrixPerspectiveFovLH(0.7853982f, 1.0f, 1.0f, 2000.0f), 1e-6f);
  ExpectMatrixNear({{ys * 0.75f, 0, 0, 0}, {0, ys, 0, 0}, {0, 0, 500.0f / 499.0f, 1}, {0, 0, -500.0f / 499.0f, 0}},
                   MatrixPerspectiveFovLH(0.7853982f, 4.0f / 3.0f, 1.0f, 500.0f), 1e-6f);

  // Near plane to depth 0, far plane to depth 1 after the divide by w.
  const Matrix4 p = MatrixPerspectiveFovLH(0.7853982f, 1.0f, 1.0f, 500.0f);
  const Vec4 nearPoint = TransformPoint({0, 0, 1}, p);
  const Vec4 farPoint = TransformPoint({0, 0, 500}, p);
  EXPECT_NEAR(0.0f, nearPoint.z / nearPoint.w, 1e-6f);
  EXPECT_NEAR(1.0f, farPoint.z / farPoint.w, 1e-6f);
}

TEST(SceneMath, OrthoLH) {
  ExpectMatrixEq({{2.0f / 1024, 0, 0, 0}, {0, 2.0f / 768, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}},
                 MatrixOrthoLH(1024.0f, 768.0f, 0.0f, 1.0f));
  ExpectMatrixEq({{0.0025f, 0, 0, 0}, {0, 0.005f, 0, 0}, {0, 0, 0.5f, 0}, {0, 0, -0.5f, 1}},
                 MatrixOrthoLH(800.0f, 400.0f, 1.0f, 3.0f));

  // The screen-pixel world of the grid and the background quad fills the viewport.
  const Vec4 corner = TransformPoint({-512, 384, 1}, MatrixOrthoLH(1024.0f, 768.0f, 0.0f, 1.0f));
  EXPECT_EQ(-1.0f, corner.x);
  EXPECT_EQ(1.0f, corner.y);
  EXPECT_EQ(1.0f, corner.z);
}

// The view at distance d spans 2 d tan(fovy / 2) vertically: a square that tall fills the
// back buffer's height, one half as tall half of it; on a wider aspect it is narrower.
TEST(ProjectedSquareArea, ShareOfTheViewAtItsDistance) {
  const float fovy = 0.7853982f;
  const float fills = 2 * 10.0f * std::tan(fovy / 2);
  // clang-format off
  const struct { float side, aspect; ScreenArea expected; } cases[] = {
    {fills,     1.0f, {1920, 1080}},
    {fills / 2, 1.0f, {960, 540}},
    {fills / 2, 2.0f, {480, 540}},
    {fills * 3, 1.0f, {1920, 1080}},  // never more than the back buffer
  };
  // clang-format on
  for (const auto& c : cases) {
    const ScreenArea area = ProjectedSquareArea(c.side, 10.0f, fovy, c.aspect, 1920, 1080);
    EXPECT_NEAR(area.width, c.expected.width, 1) << c.side << " at aspect " << c.aspect;
    EXPECT_NEAR(area.height, c.expected.height, 1) << c.side << " at aspect " << c.aspect;
  }
}

TEST(SpanningAspect, BackBufferShapeOverThePrimarys) {
  // clang-format off
  const struct { int32_t backWidth, backHeight, primaryWidth, primaryHeight; float expected; } cases[] = {
    {1920, 1080, 1920, 1080, 1.0f},   // one monitor: the shapes as they always were
    {3840, 1080, 1920, 1080, 2.0f},   // two side by side
    {2944, 1080, 1920, 1080, 2944.0f / 1920.0f},
    {1024, 1536, 1024, 768, 0.5f},    // one above the other
    {0, 1080, 1920, 1080, 1.0f},
  };
  // clang-format on
  for (const auto& c : cases) {
    EXPECT_FLOAT_EQ(SpanningAspect(c.backWidth, c.backHeight, c.primaryWidth, c.primaryHeight), c.expected)
        << c.backWidth << "x" << c.backHeight;
  }
}

}  // namespace
