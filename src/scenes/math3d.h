// Vector and matrix helpers that stand in for the D3DX8 matrix functions.
// Matrices use the Direct3D layout (m[row][col], row vectors, left-handed), so the platform
// layer hands a Matrix4 straight to SetTransform. Pure functions; any thread may call them,
// the scenes call them on the main thread.
#pragma once

#include <cstddef>
#include <cstdint>

struct Vec3 {
  float x;
  float y;
  float z;
};

struct Vec4 {
  float x;
  float y;
  float z;
  float w;
};

// Same memory as D3DMATRIX: sixteen floats, row after row.
struct Matrix4 {
  float m[4][4];
};
static_assert(sizeof(Vec3) == 12, "Vec3 must match D3DVECTOR");
static_assert(sizeof(Matrix4) == 64, "Matrix4 must match D3DMATRIX");
static_assert(offsetof(Matrix4, m) == 0, "Matrix4 must match D3DMATRIX");

Vec3 Vec3Subtract(const Vec3& a, const Vec3& b);
Vec3 Vec3Cross(const Vec3& a, const Vec3& b);
float Vec3Dot(const Vec3& a, const Vec3& b);
// v / |v|; a zero vector stays zero rather than turning into NaNs.
Vec3 Vec3Normalize(const Vec3& v);

Matrix4 MatrixIdentity();
Matrix4 MatrixTranslation(float x, float y, float z);
// a x b: a point transformed by the result is transformed by a first, then by b.
Matrix4 MatrixMultiply(const Matrix4& a, const Matrix4& b);
// Rotation by angle radians about the normalised axis, for row vectors.
Matrix4 MatrixRotationAxis(const Vec3& axis, float angle);
Matrix4 MatrixLookAtLH(const Vec3& eye, const Vec3& at, const Vec3& up);
Matrix4 MatrixPerspectiveFovLH(float fovy, float aspect, float zn, float zf);
Matrix4 MatrixOrthoLH(float w, float h, float zn, float zf);

// (p, 1) x M with w kept apart, so that callers can divide when they project.
Vec4 TransformPoint(const Vec3& p, const Matrix4& m);

// A size in screen pixels.
struct ScreenArea {
  int32_t width;
  int32_t height;
};

// The pixels a square of edge `side`, facing the camera `distance` away, covers under
// MatrixPerspectiveFovLH(fovy, aspect, ...) on a back buffer of width x height (rounded up),
// at most the back buffer itself.
ScreenArea ProjectedSquareArea(float side, float distance, float fovy, float aspect, int32_t width, int32_t height);

// The projection aspect for a back buffer of backWidth x backHeight that spans several
// monitors, so that shapes look on it as they do on the primary monitor alone: the back
// buffer's width-to-height ratio over the primary's. 1 where the two have the same shape
// (and for a side that is not positive).
float SpanningAspect(int32_t backWidth, int32_t backHeight, int32_t primaryWidth, int32_t primaryHeight);
