// The scenes' random numbers: a generator that repeats the C runtime's srand/rand sequence
// exactly (the star field and the cuboid axes for a given start second depend on it), and
// RandomRange on top of it. One process-wide instance, used on the main thread only.
#pragma once

#include <cstdint>

class SceneRandom {
 public:
  // The runtime starts as if seeded with 1.
  explicit SceneRandom(uint32_t seed = 1) : state(seed) {}

  void Seed(uint32_t seed) { state = seed; }
  // 0..32767, like rand().
  int32_t Next();

 private:
  uint32_t state;
};

// Shared by whichever scene runs: each seeds it from the clock in its Init.
extern SceneRandom sceneRandom;

// The single-precision value nearest to 1 / 32767.
constexpr float kRandomScale = 3.0518509e-05f;

// a + r * k * (b - a) with r the next value of random; a draw of 0 gives a, of 32767 gives b.
float RandomRange(SceneRandom& random, float a, float b);
