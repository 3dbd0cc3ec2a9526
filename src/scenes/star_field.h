// The star scene's simulation: the clamped settings, the star records, their placement,
// motion, fading and respawning, and the vertex and index lists drawn from them. The
// platform's StarScene owns one StarField and locks the device buffers around it. Main
// thread only.
#pragma once

#include <cstdint>
#include <vector>

#include "scenes/math3d.h"
#include "scenes/scene_random.h"
#include "scenes/scene_vertex.h"

struct Star {
  Vec3 position;
  Vec3 velocity;      // x and y stay 0
  Vec3 acceleration;  // x and y stay 0
  float alpha;        // 1 when placed, fading to 0
};

constexpr int32_t kMaxStars = 1000;
constexpr uint32_t kVerticesPerStar = 4;
constexpr uint32_t kIndicesPerStar = 6;

struct StarSettings {
  int32_t starTotal;   // 1..1000
  float starHalfSize;  // 2..10, half the edge of a star quad
  float starPace;      // 2..1000, factor on the random speeds
  bool starsOpaque;
};

// Takes the settings as stored; a damaged record is brought into range here.
StarSettings MakeStarSettings(int32_t starCount, float starSpeed, float starSize, uint8_t starTranslucent);

class StarField {
 public:
  // Allocates and places starTotal stars, drawing from random in a fixed order.
  // False when the records cannot be allocated.
  bool Init(const StarSettings& settings, SceneRandom& random);
  void Clear();

  // One frame: moves, fades and respawns every star, then writes every star's positions
  // and colour into vertices (4 per star). Pass null when the buffer could not be locked:
  // the stars still move, nothing is written.
  void Advance(SceneRandom& random, SceneVertex* vertices);

  // The whole vertex list as Init leaves it, texture coordinates included (Advance never
  // writes those again).
  void WriteInitialVertices(SceneVertex* vertices) const;
  // Star n: 4n, 4n+1, 4n+2, 4n+3, 4n+2, 4n+1.
  std::vector<uint16_t> BuildIndices() const;

  uint32_t VertexCount() const { return static_cast<uint32_t>(stars.size()) * kVerticesPerStar; }
  uint32_t IndexCount() const { return static_cast<uint32_t>(stars.size()) * kIndicesPerStar; }
  const std::vector<Star>& Stars() const { return stars; }
  // Lets a test put a star exactly where it wants one.
  std::vector<Star>& Stars() { return stars; }

 private:
  StarSettings settings{};
  std::vector<Star> stars;
};

// White with the star's alpha, truncated to a byte.
uint32_t StarColour(float alpha);
