// The star scene's simulation, run on the main thread once per frame.
#include "scenes/star_field.h"

#include <new>

#include "base/clamp.h"

namespace {

// How a star is placed: at start-up the field reaches twice as deep and moves at half the
// speed of the stars that are placed again after passing the viewer.
struct SpawnRule {
  float farZ;
  float speedFactor;
  float slowestAcceleration;
};
constexpr SpawnRule kStartUp{4000.0f, 0.01f, -0.025f};
constexpr SpawnRule kAgain{2000.0f, 0.02f, -0.05f};

constexpr float kNearZ = 800.0f;
constexpr float kFadePerFrame = 0.002f;

float ScaledDraw(SceneRandom& random, float a, float b, float pace, float factor) {
  const float draw = RandomRange(random, a, b);
  const float paced = draw * pace;
  const float scaled = paced * factor;
  return scaled;
}

// The draw order (z, y, x, speed, acceleration) is what makes a start second reproducible.
void PlaceStar(Star& star, const SpawnRule& rule, float pace, SceneRandom& random) {
  star.position.z = RandomRange(random, kNearZ, rule.farZ);
  star.position.y = RandomRange(random, -300.0f, 300.0f);
  star.position.x = RandomRange(random, -400.0f, 400.0f);
  star.velocity = Vec3{0.0f, 0.0f, ScaledDraw(random, -0.1f, -2.5f, pace, rule.speedFactor)};
  star.acceleration = Vec3{0.0f, 0.0f, ScaledDraw(random, -0.003f, rule.slowestAcceleration, pace, 0.01f)};
  star.alpha = 1.0f;
}

void MoveStar(Star& star) {
  star.position.x = star.position.x + star.velocity.x;
  star.position.y = star.position.y + star.velocity.y;
  star.position.z = star.position.z + star.velocity.z;
  star.velocity.x = star.velocity.x + star.acceleration.x;
  star.velocity.y = star.velocity.y + star.acceleration.y;
  star.velocity.z = star.velocity.z + star.acceleration.z;
  const float faded = star.alpha - kFadePerFrame;
  star.alpha = faded <= 0.0f ? 0.0f : faded;
}

// Corners in the order bottom-left, top-left, bottom-right, top-right, so that the two
// triangles of the index list run clockwise towards the camera.
void WriteCorners(const Star& star, float halfSize, uint32_t colour, SceneVertex* four) {
  const float left = star.position.x - halfSize;
  const float right = star.position.x + halfSize;
  const float bottom = star.position.y - halfSize;
  const float top = star.position.y + halfSize;
  const float z = star.position.z;
  const float xs[4] = {left, left, right, right};
  const float ys[4] = {bottom, top, bottom, top};
  for (int i = 0; i < 4; ++i) {
    four[i].x = xs[i];
    four[i].y = ys[i];
    four[i].z = z;
    four[i].diffuse = colour;
  }
}

}  // namespace

StarSettings MakeStarSettings(int32_t starCount, float starSpeed, float starSize, uint8_t starTranslucent) {
  StarSettings s{};
  s.starTotal = ClampInt(starCount, 1, kMaxStars);
  s.starHalfSize = ClampFloat(starSize, 2.0f, 10.0f);
  s.starPace = ClampFloat(starSpeed, 2.0f, 1000.0f);
  s.starsOpaque = starTranslucent == 0;
  return s;
}

uint32_t StarColour(float alpha) {
  const float level = alpha * 255.0f;
  return (static_cast<uint32_t>(level) << 24) | 0x00FFFFFFu;
}

bool StarField::Init(const StarSettings& newSettings, SceneRandom& random) {
  settings = newSettings;
  try {
    stars.assign(static_cast<size_t>(settings.starTotal), Star{});
  } catch (const std::bad_alloc&) {
    stars.clear();
    return false;
  }
  for (Star& star : stars) {
    PlaceStar(star, kStartUp, settings.starPace, random);
  }
  return true;
}

void StarField::Clear() { std::vector<Star>().swap(stars); }

void StarField::Advance(SceneRandom& random, SceneVertex* vertices) {
  for (Star& star : stars) {
    MoveStar(star);
    // Exactly at the viewer's plane is not yet past it.
    if (star.position.z < 0.0f) {
      PlaceStar(star, kAgain, settings.starPace, random);
    }
  }
  if (vertices == nullptr) {
    return;
  }
  for (Star& star : stars) {
    if (settings.starsOpaque) {
      star.alpha = 1.0f;
    }
    WriteCorners(star, settings.starHalfSize, StarColour(star.alpha), vertices);
    vertices += kVerticesPerStar;
  }
}

void StarField::WriteInitialVertices(SceneVertex* vertices) const {
  static constexpr float us[4] = {0, 0, 1, 1};
  static constexpr float vs[4] = {0, 1, 0, 1};
  for (const Star& star : stars) {
    WriteCorners(star, settings.starHalfSize, 0xFFFFFFFFu, vertices);
    for (int i = 0; i < 4; ++i) {
      vertices[i].u = us[i];
      vertices[i].v = vs[i];
    }
    vertices += kVerticesPerStar;
  }
}

std::vector<uint16_t> StarField::BuildIndices() const {
  std::vector<uint16_t> indices;
  indices.reserve(IndexCount());
  for (uint32_t n = 0; n < stars.size(); ++n) {
    const auto first = static_cast<uint16_t>(n * kVerticesPerStar);
    const auto second = static_cast<uint16_t>(first + 1);
    const auto third = static_cast<uint16_t>(first + 2);
    const auto fourth = static_cast<uint16_t>(first + 3);
    indices.insert(indices.end(), {first, second, third, fourth, third, second});
  }
  return indices;
}
