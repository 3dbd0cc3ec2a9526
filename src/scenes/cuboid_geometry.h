// What the cuboid scene and its boxes compute without the device: the 36 vertices of a
// box, the edge and place of each box by count, the rotation axes and angle, the colour
// conversion and the background quad. Pure functions and constant tables; the scene calls
// them on the main thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "scenes/math3d.h"
#include "scenes/scene_random.h"
#include "scenes/scene_vertex.h"

struct CuboidVertex {
  float x;
  float y;
  float z;
  float nx;
  float ny;
  float nz;
  float u;
  float v;
};

// D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1
constexpr uint32_t kCuboidVertexFormat = 0x112;
constexpr uint32_t kCuboidVertexStride = 32;
constexpr int32_t kCuboidVertexCount = 36;
constexpr int32_t kCuboidTriangleCount = 12;

static_assert(sizeof(CuboidVertex) == kCuboidVertexStride, "CuboidVertex is the device's 32-byte vertex");
static_assert(offsetof(CuboidVertex, nx) == 12, "normal after the position");
static_assert(offsetof(CuboidVertex, u) == 24, "texture coordinates last");

using CuboidVertices = std::array<CuboidVertex, kCuboidVertexCount>;

// (p1 - p0) x (p2 - p0), normalised: the outward normal of a clockwise triangle.
Vec3 FaceNormal(const Vec3& p0, const Vec3& p1, const Vec3& p2);

// A box of the given edge lengths centred on its origin: faces top, front, right, back,
// left, bottom; each face two clockwise triangles showing the whole texture upright.
CuboidVertices BuildCuboidVertices(const Vec3& size);

// Ten boxes always exist; only the first boxCount are drawn.
constexpr int32_t kBoxSlots = 10;

int32_t ClampBoxCount(int32_t cuboidCount);
// Edge length of every box when boxCount boxes are shown (boxCount is clamped first).
float BoxEdgeForCount(int32_t boxCount);

struct BoxPlace {
  float x;
  float y;
};
// boxLayout[boxCount - 1][box]: where each drawn box sits (z is 0).
extern const BoxPlace boxLayout[kBoxSlots][kBoxSlots];

using BoxAxes = std::array<Vec3, kBoxSlots>;

// The axis for one rand() draw: draw % 6 picks one of six, two of them not of unit length.
Vec3 RandomBoxAxis(int32_t draw);
BoxAxes DrawBoxAxes(SceneRandom& random);

// "Left", "Right", "Up", "Down", "Random" are 1..5; values outside become the nearest end.
int32_t ClampRotationAngle(int32_t rotationAngle);
// The axis of every box for the setting; an out-of-range setting is corrected in place.
BoxAxes ChooseBoxAxes(int32_t& rotationAngle, const BoxAxes& boxAxes);

// Milliseconds per radian: rotationSpeed within 100..5000, anything else (NaN too) clamped.
float ClampRotationDivisor(float rotationSpeed);
// The absolute clock over the divisor, in single precision and never reduced modulo 2 pi,
// so a pose depends only on the clock value.
float RotationAngleAt(uint32_t milliseconds, float rotationDivisor);

// COLORREF 0x00BBGGRR to an opaque Direct3D colour 0xFFRRGGBB.
uint32_t ColorRefToArgb(uint32_t colorRef);

// The screen-filling quad behind the boxes, a strip of two triangles under an orthographic
// projection of the screen's size.
std::array<SceneVertex, 4> BuildBackgroundQuad(int32_t screenWidth, int32_t screenHeight, uint32_t colour);
