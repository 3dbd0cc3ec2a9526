// The scenes' runtime-compatible generator and RandomRange. Main thread only.
#include "scenes/scene_random.h"

SceneRandom sceneRandom;

int32_t SceneRandom::Next() {
  state = state * 214013u + 2531011u;
  return static_cast<int32_t>((state >> 16) & 0x7FFFu);
}

float RandomRange(SceneRandom& random, float a, float b) {
  // Every step rounds to single precision, as it does anyway once Direct3D has switched
  // the FPU to single precision; a given start second thus gives the same field in every
  // build (the Windows build does its float arithmetic in SSE for this).
  const float scaled = static_cast<float>(random.Next()) * kRandomScale;
  const float span = b - a;
  const float offset = scaled * span;
  const float value = a + offset;
  return value;
}
