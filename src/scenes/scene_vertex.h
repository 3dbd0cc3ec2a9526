// The vertex shared by the grid and star scenes and the cuboid scene's background quad.
// Its layout is the one the device reads through the flexible vertex format below, so the
// platform layer copies arrays of it into vertex buffers byte for byte. Plain data.
#pragma once

#include <cstddef>
#include <cstdint>

struct SceneVertex {
  float x;
  float y;
  float z;
  uint32_t diffuse;  // 0xAARRGGBB
  float u;
  float v;
};

// D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1
constexpr uint32_t kSceneVertexFormat = 0x142;
constexpr uint32_t kSceneVertexStride = 24;

static_assert(sizeof(SceneVertex) == kSceneVertexStride, "SceneVertex is the device's 24-byte vertex");
static_assert(offsetof(SceneVertex, x) == 0, "position first");
static_assert(offsetof(SceneVertex, diffuse) == 12, "diffuse after the position");
static_assert(offsetof(SceneVertex, u) == 16, "texture coordinates last");
static_assert(offsetof(SceneVertex, v) == 20, "texture coordinates last");
