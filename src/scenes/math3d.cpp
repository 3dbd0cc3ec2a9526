// Vector and matrix helpers that stand in for the D3DX8 matrix functions. Pure functions,
// called by the scenes on the main thread.
#include "scenes/math3d.h"

#include <algorithm>
#include <cmath>

Vec3 Vec3Subtract(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

Vec3 Vec3Cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Vec3Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vec3 Vec3Normalize(const Vec3& v) {
  const float length = std::sqrt(Vec3Dot(v, v));
  if (length == 0.0f) {
    return {0.0f, 0.0f, 0.0f};
  }
  return {v.x / length, v.y / length, v.z / length};
}

Matrix4 MatrixIdentity() {
  Matrix4 r{};
  r.m[0][0] = 1.0f;
  r.m[1][1] = 1.0f;
  r.m[2][2] = 1.0f;
  r.m[3][3] = 1.0f;
  return r;
}

Matrix4 MatrixTranslation(float x, float y, float z) {
  Matrix4 r = MatrixIdentity();
  r.m[3][0] = x;
  r.m[3][1] = y;
  r.m[3][2] = z;
  return r;
}

Matrix4 MatrixMultiply(const Matrix4& a, const Matrix4& b) {
  Matrix4 r{};
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) {
        sum += a.m[row][k] * b.m[k][col];
      }
      r.m[row][col] = sum;
    }
  }
  return r;
}

Matrix4 MatrixRotationAxis(const Vec3& axis, float angle) {
  const Vec3 n = Vec3Normalize(axis);
  const float c = std::cos(angle);
  const float s = std::sin(angle);
  const float k = 1.0f - c;

  Matrix4 r = MatrixIdentity();
  r.m[0][0] = k * n.x * n.x + c;
  r.m[0][1] = k * n.x * n.y + n.z * s;
  r.m[0][2] = k * n.x * n.z - n.y * s;
  r.m[1][0] = k * n.x * n.y - n.z * s;
  r.m[1][1] = k * n.y * n.y + c;
  r.m[1][2] = k * n.y * n.z + n.x * s;
  r.m[2][0] = k * n.x * n.z + n.y * s;
  r.m[2][1] = k * n.y * n.z - n.x * s;
  r.m[2][2] = k * n.z * n.z + c;
  return r;
}

Matrix4 MatrixLookAtLH(const Vec3& eye, const Vec3& at, const Vec3& up) {
  const Vec3 z = Vec3Normalize(Vec3Subtract(at, eye));
  const Vec3 x = Vec3Normalize(Vec3Cross(up, z));
  const Vec3 y = Vec3Cross(z, x);

  Matrix4 r = MatrixIdentity();
  r.m[0][0] = x.x;
  r.m[0][1] = y.x;
  r.m[0][2] = z.x;
  r.m[1][0] = x.y;
  r.m[1][1] = y.y;
  r.m[1][2] = z.y;
  r.m[2][0] = x.z;
  r.m[2][1] = y.z;
  r.m[2][2] = z.z;
  r.m[3][0] = -Vec3Dot(x, eye);
  r.m[3][1] = -Vec3Dot(y, eye);
  r.m[3][2] = -Vec3Dot(z, eye);
  return r;
}

Matrix4 MatrixPerspectiveFovLH(float fovy, float aspect, float zn, float zf) {
  const float ys = 1.0f / std::tan(fovy * 0.5f);
  const float xs = ys / aspect;
  const float depth = zf - zn;

  Matrix4 r{};
  r.m[0][0] = xs;
  r.m[1][1] = ys;
  r.m[2][2] = zf / depth;
  r.m[2][3] = 1.0f;
  r.m[3][2] = -zn * zf / depth;
  return r;
}

Matrix4 MatrixOrthoLH(float w, float h, float zn, float zf) {
  Matrix4 r = MatrixIdentity();
  r.m[0][0] = 2.0f / w;
  r.m[1][1] = 2.0f / h;
  r.m[2][2] = 1.0f / (zf - zn);
  r.m[3][2] = zn / (zn - zf);
  return r;
}

Vec4 TransformPoint(const Vec3& p, const Matrix4& m) {
  Vec4 r{};
  r.x = p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0];
  r.y = p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1];
  r.z = p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2];
  r.w = p.x * m.m[0][3] + p.y * m.m[1][3] + p.z * m.m[2][3] + m.m[3][3];
  return r;
}

ScreenArea ProjectedSquareArea(float side, float distance, float fovy, float aspect, int32_t width, int32_t height) {
  // The square's share of the half-height the view shows at that distance, on both axes.
  const float share = side / (2.0f * distance * std::tan(fovy / 2.0f));
  const auto pixels = [](float fraction, int32_t whole) {
    return std::min(whole, int32_t(std::ceil(fraction * float(whole))));
  };
  return ScreenArea{pixels(share / aspect, width), pixels(share, height)};
}

float SpanningAspect(int32_t backWidth, int32_t backHeight, int32_t primaryWidth, int32_t primaryHeight) {
  if (backWidth <= 0 || backHeight <= 0 || primaryWidth <= 0 || primaryHeight <= 0) return 1.0f;
  return float(double(backWidth) * primaryHeight / (double(backHeight) * primaryWidth));
}
