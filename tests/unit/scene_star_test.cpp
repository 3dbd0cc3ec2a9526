// The star field and the runtime-compatible generator behind it: clamps, placement for a
// fixed seed, motion, fading, respawning, and the vertex and index lists.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "scenes/star_field.h"

namespace {

float FromBits(uint32_t bits) {
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

// A second, deliberately plain rendering of the runtime generator and of the star rules,
// one rounding to float per step, to check the field against.
struct ReferenceRandom {
  uint32_t state;
  int32_t Next() {
    state = state * 214013u + 2531011u;
    return static_cast<int32_t>((state >> 16) & 0x7FFF);
  }
  float Range(float a, float b) {
    const float r = static_cast<float>(Next());
    const float t = r * 3.0518509e-05f;
    const float d = b - a;
    const float s = t * d;
    const float v = a + s;
    return v;
  }
};

float Times(float a, float b) {
  const float p = a * b;
  return p;
}

Star ReferencePlace(ReferenceRandom& r, float pace, bool startUp) {
  Star s{};
  s.position.z = r.Range(800.0f, startUp ? 4000.0f : 2000.0f);
  s.position.y = r.Range(-300.0f, 300.0f);
  s.position.x = r.Range(-400.0f, 400.0f);
  s.velocity.z = Times(Times(r.Range(-0.1f, -2.5f), pace), startUp ? 0.01f : 0.02f);
  s.acceleration.z = Times(Times(r.Range(-0.003f, startUp ? -0.025f : -0.05f), pace), 0.01f);
  s.alpha = 1.0f;
  return s;
}

bool ReferenceStep(Star& s, ReferenceRandom& r, float pace) {
  const float z = s.position.z + s.velocity.z;
  const float v = s.velocity.z + s.acceleration.z;
  const float a = s.alpha - 0.002f;
  s.position.z = z;
  s.velocity.z = v;
  s.alpha = a <= 0.0f ? 0.0f : a;
  if (z < 0.0f) {
    s = ReferencePlace(r, pace, false);
    return true;
  }
  return false;
}

void ExpectStarEq(const Star& expected, const Star& actual, const std::string& where) {
  EXPECT_EQ(expected.position.x, actual.position.x) << where;
  EXPECT_EQ(expected.position.y, actual.position.y) << where;
  EXPECT_EQ(expected.position.z, actual.position.z) << where;
  EXPECT_EQ(0.0f, actual.velocity.x) << where;
  EXPECT_EQ(0.0f, actual.velocity.y) << where;
  EXPECT_EQ(expected.velocity.z, actual.velocity.z) << where;
  EXPECT_EQ(0.0f, actual.acceleration.x) << where;
  EXPECT_EQ(0.0f, actual.acceleration.y) << where;
  EXPECT_EQ(expected.acceleration.z, actual.acceleration.z) << where;
  EXPECT_EQ(expected.alpha, actual.alpha) << where;
}

StarSettings Settings(int32_t count, float speed, bool translucent) {
  return MakeStarSettings(count, speed, 5.0f, translucent ? 1 : 0);
}

// A single star placed by hand, so a test controls when it passes the viewer.
StarField OneStar(const Star& star, bool translucent, SceneRandom& random) {
  StarField field;
  EXPECT_TRUE(field.Init(Settings(1, 350, translucent), random));
  field.Stars()[0] = star;
  return field;
}

TEST(SceneRandomTest, RepeatsTheRuntimeSequence) {
  SceneRandom unseeded;
  SceneRandom one(1);
  for (int32_t expected : {41, 18467, 6334, 26500, 19169}) {
    EXPECT_EQ(expected, unseeded.Next());
    EXPECT_EQ(expected, one.Next());
  }
  SceneRandom zero(0);
  EXPECT_EQ(38, zero.Next());
  one.Seed(1);
  EXPECT_EQ(41, one.Next());
}

TEST(SceneRandomTest, RandomRangeReachesBothBounds) {
  // Seeds whose first draw is 0 and 32767 (found by inverting the generator's step).
  const uint32_t drawsZero = 2708534849u;
  const uint32_t drawsMax = 4028364353u;
  struct Case {
    float a;
    float b;
  };
  const Case cases[] = {{800, 4000}, {800, 2000}, {-300, 300}, {-400, 400}, {-0.1f, -2.5f}, {-0.003f, -0.05f}};
  for (const Case& c : cases) {
    SceneRandom low(drawsZero);
    SceneRandom high(drawsMax);
    EXPECT_EQ(c.a, RandomRange(low, c.a, c.b)) << c.a << ".." << c.b;
    EXPECT_EQ(c.b, RandomRange(high, c.a, c.b)) << c.a << ".." << c.b;
  }
  // Seed 0 draws 38: -0.1 + 38 * k * -2.4 in single precision steps.
  SceneRandom zero(0);
  EXPECT_EQ(-0.10278329253196716f, RandomRange(zero, -0.1f, -2.5f));
}

TEST(SceneStar, SettingsAreClamped) {
  struct CountCase {
    int32_t stored;
    int32_t used;
  };
  for (const CountCase& c : {CountCase{-5, 1}, {0, 1}, {1, 1}, {999, 999}, {1000, 1000}, {5000, 1000}}) {
    EXPECT_EQ(c.used, MakeStarSettings(c.stored, 350, 5, 0).starTotal) << c.stored;
  }
  struct FloatCase {
    float stored;
    float size;
    float pace;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const FloatCase cases[] = {{0, 2, 2},    {1, 2, 2},      {2, 2, 2},        {5, 5, 5},        {10, 10, 10},
                             {12, 10, 12}, {350, 10, 350}, {1000, 10, 1000}, {2000, 10, 1000}, {nan, 2, 2}};
  for (const FloatCase& c : cases) {
    EXPECT_EQ(c.size, MakeStarSettings(10, 350, c.stored, 0).starHalfSize) << c.stored;
    EXPECT_EQ(c.pace, MakeStarSettings(10, c.stored, 5, 0).starPace) << c.stored;
  }
  EXPECT_TRUE(MakeStarSettings(10, 350, 5, 0).starsOpaque);
  EXPECT_FALSE(MakeStarSettings(10, 350, 5, 1).starsOpaque);
  EXPECT_FALSE(MakeStarSettings(10, 350, 5, 7).starsOpaque);
}

TEST(SceneStar, StartUpFieldForAFixedSeed) {
  SceneRandom random(12345);
  StarField field;
  ASSERT_TRUE(field.Init(Settings(800, 350, false), random));
  ASSERT_EQ(800u, field.Stars().size());

  // The first three stars, worked out separately in single precision.
  const Star first[3] = {
      {{FromBits(0x4365c7ac), FromBits(0x424ba7f0), FromBits(0x44c094b9)},
       {0, 0, FromBits(0xc0c0b320)},
       {0, 0, FromBits(0xbcc6355b)},
       1.0f},
      {{FromBits(0xc385ebdc), FromBits(0x434b225e), FromBits(0x4540db6e)},
       {0, 0, FromBits(0xc0f9b042)},
       {0, 0, FromBits(0xbd8623a2)},
       1.0f},
      {{FromBits(0x42c63948), FromBits(0xc1e7f710), FromBits(0x450d4e26)},
       {0, 0, FromBits(0xc0bd79cb)},
       {0, 0, FromBits(0xbd06c68b)},
       1.0f},
  };
  for (int n = 0; n < 3; ++n) {
    ExpectStarEq(first[n], field.Stars()[n], "star " + std::to_string(n));
  }
  // (229.78, 50.914, 1540.65) moving at -6.0219 per frame, for orientation.
  EXPECT_NEAR(229.78f, field.Stars()[0].position.x, 0.01f);
  EXPECT_NEAR(-6.0219f, field.Stars()[0].velocity.z, 0.0001f);

  ReferenceRandom reference{12345};
  for (size_t n = 0; n < field.Stars().size(); ++n) {
    ExpectStarEq(ReferencePlace(reference, 350.0f, true), field.Stars()[n], "star " + std::to_string(n));
  }
  // Exactly five draws per star.
  EXPECT_EQ(reference.Next(), random.Next());
}

TEST(SceneStar, ThreeFramesOfTheFixedSeed) {
  SceneRandom random(12345);
  StarField field;
  ASSERT_TRUE(field.Init(Settings(3, 350, true), random));
  std::vector<SceneVertex> vertices(field.VertexCount());
  for (int frame = 0; frame < 3; ++frame) {
    field.Advance(random, vertices.data());
  }
  const Star expected[3] = {
      {{FromBits(0x4365c7ac), FromBits(0x424ba7f0), FromBits(0x44be504d)},
       {0, 0, FromBits(0xc0c305bf)},
       {0, 0, FromBits(0xbcc6355b)},
       FromBits(0x3f7e76ca)},
      {{FromBits(0xc385ebdc), FromBits(0x434b225e), FromBits(0x453f61c1)},
       {0, 0, FromBits(0xc0fff9ef)},
       {0, 0, FromBits(0xbd8623a2)},
       FromBits(0x3f7e76ca)},
      {{FromBits(0x42c63948), FromBits(0xc1e7f710), FromBits(0x450c305b)},
       {0, 0, FromBits(0xc0c0a272)},
       {0, 0, FromBits(0xbd06c68b)},
       FromBits(0x3f7e76ca)},
  };
  for (int n = 0; n < 3; ++n) {
    ExpectStarEq(expected[n], field.Stars()[n], "star " + std::to_string(n));
  }
}

TEST(SceneStar, ManyFramesFollowTheRulesIncludingRespawns) {
  const float pace = 350.0f;
  SceneRandom random(4242);
  StarField field;
  ASSERT_TRUE(field.Init(Settings(800, pace, true), random));
  std::vector<SceneVertex> vertices(field.VertexCount());

  ReferenceRandom reference{4242};
  std::vector<Star> model;
  for (int n = 0; n < 800; ++n) {
    model.push_back(ReferencePlace(reference, pace, true));
  }
  int respawns = 0;
  for (int frame = 0; frame < 300; ++frame) {
    field.Advance(random, vertices.data());
    for (Star& s : model) {
      respawns += ReferenceStep(s, reference, pace) ? 1 : 0;
    }
  }
  ASSERT_GT(respawns, 100);  // the respawn path is really exercised
  for (size_t n = 0; n < model.size(); ++n) {
    ExpectStarEq(model[n], field.Stars()[n], "star " + std::to_string(n));
    if (testing::Test::HasFailure()) {
      break;
    }
  }
  EXPECT_EQ(reference.Next(), random.Next());
}

TEST(SceneStar, OnlyAStarBelowZeroIsPlacedAgain) {
  const Star atOne{{10, 20, 1}, {0, 0, -1}, {0, 0, 0}, 1.0f};
  SceneRandom random(99);
  StarField field = OneStar(atOne, true, random);
  SceneRandom untouched = random;
  field.Advance(random, nullptr);
  // z reaches exactly 0: the star stays and no number is drawn.
  const Star kept{{10, 20, 0}, {0, 0, -1}, {0, 0, 0}, 1.0f - 0.002f};
  ExpectStarEq(kept, field.Stars()[0], "at zero");
  EXPECT_EQ(untouched.Next(), random.Next());

  // From 0.5 it passes to -0.5 and is placed again with the deeper-than-start rules.
  SceneRandom seeded(777);
  StarField passing = OneStar({{10, 20, 0.5f}, {0, 0, -1}, {0, 0, -0.5f}, 0.3f}, true, seeded);
  seeded.Seed(777);
  passing.Advance(seeded, nullptr);
  const Star again{{FromBits(0xc34b0bb6), FromBits(0xc36de834), FromBits(0x445f9357)},
                   {0, 0, FromBits(0xc13e9db4)},
                   {0, 0, FromBits(0xbe1a1ced)},
                   1.0f};
  ExpectStarEq(again, passing.Stars()[0], "placed again");
  // About (-203.05, -237.91, 894.30), speed -11.9135, acceleration -0.1505.
  EXPECT_NEAR(894.30f, passing.Stars()[0].position.z, 0.01f);
  EXPECT_NEAR(-11.9135f, passing.Stars()[0].velocity.z, 0.0001f);
  EXPECT_EQ(15442, seeded.Next());
}

TEST(SceneStar, TranslucentAlphaFadesToZeroAndStaysThere) {
  SceneRandom random(5);
  StarField field = OneStar({{0, 0, 1000}, {0, 0, 0}, {0, 0, 0}, 1.0f}, true, random);
  std::vector<SceneVertex> v(4);
  struct Mark {
    int frame;
    uint32_t colour;
  };
  // 0.998 * 255 = 254.49 -> 254; 0.996 * 255 = 253.98 -> 253; by frame 499 less than 1/255.
  const Mark marks[] = {{1, 0xFEFFFFFFu},   {2, 0xFDFFFFFFu},   {498, 0x01FFFFFFu}, {499, 0x00FFFFFFu},
                        {500, 0x00FFFFFFu}, {501, 0x00FFFFFFu}, {800, 0x00FFFFFFu}};
  int frame = 0;
  for (const Mark& m : marks) {
    while (frame < m.frame) {
      field.Advance(random, v.data());
      ++frame;
      ASSERT_GE(field.Stars()[0].alpha, 0.0f) << frame;
    }
    for (const SceneVertex& corner : v) {
      EXPECT_EQ(m.colour, corner.diffuse) << "frame " << frame;
    }
  }
  EXPECT_EQ(0.0f, field.Stars()[0].alpha);
  EXPECT_EQ(1000.0f, field.Stars()[0].position.z);  // never placed again
}

TEST(SceneStar, OpaqueStarsAreAlwaysWhite) {
  SceneRandom random(2024);
  StarField field;
  ASSERT_TRUE(field.Init(Settings(50, 1000, false), random));
  std::vector<SceneVertex> v(field.VertexCount());
  for (int frame = 0; frame < 700; ++frame) {
    field.Advance(random, v.data());
  }
  for (size_t i = 0; i < v.size(); ++i) {
    ASSERT_EQ(0xFFFFFFFFu, v[i].diffuse) << i;
  }
  for (const Star& s : field.Stars()) {
    EXPECT_EQ(1.0f, s.alpha);
  }
}

TEST(SceneStar, VerticesOfEachStar) {
  SceneRandom random(1);
  StarField field;
  ASSERT_TRUE(field.Init(MakeStarSettings(3, 350, 1.0f, 1), random));  // size 1 is used as 2
  field.Stars()[2] = {{10, -20, 300}, {0, 0, -4}, {0, 0, 0}, 1.0f};
  std::vector<SceneVertex> v(field.VertexCount());
  field.WriteInitialVertices(v.data());
  // Star 2 owns vertices 8..11: BL, TL, BR, TR, 4 units wide.
  const float expected[4][4] = {{8, -22, 0, 0}, {8, -18, 0, 1}, {12, -22, 1, 0}, {12, -18, 1, 1}};
  for (int i = 0; i < 4; ++i) {
    const SceneVertex& c = v[8 + i];
    EXPECT_EQ(expected[i][0], c.x) << i;
    EXPECT_EQ(expected[i][1], c.y) << i;
    EXPECT_EQ(300.0f, c.z) << i;
    EXPECT_EQ(0xFFFFFFFFu, c.diffuse) << i;
    EXPECT_EQ(expected[i][2], c.u) << i;
    EXPECT_EQ(expected[i][3], c.v) << i;
  }

  // A frame rewrites positions and colour but leaves the texture coordinates alone.
  for (SceneVertex& c : v) {
    c.u = -7.0f;
    c.v = -7.0f;
  }
  field.Advance(random, v.data());
  for (int i = 0; i < 4; ++i) {
    const SceneVertex& c = v[8 + i];
    EXPECT_EQ(expected[i][0], c.x) << i;
    EXPECT_EQ(expected[i][1], c.y) << i;
    EXPECT_EQ(296.0f, c.z) << i;
    EXPECT_EQ(0xFEFFFFFFu, c.diffuse) << i;
    EXPECT_EQ(-7.0f, c.u) << i;
    EXPECT_EQ(-7.0f, c.v) << i;
  }

  // Size 12 is used as 10: quads 20 units wide.
  StarField big;
  ASSERT_TRUE(big.Init(MakeStarSettings(1, 350, 12.0f, 0), random));
  big.Stars()[0] = {{0, 0, 50}, {0, 0, 0}, {0, 0, 0}, 1.0f};
  std::vector<SceneVertex> w(big.VertexCount());
  big.WriteInitialVertices(w.data());
  EXPECT_EQ(-10.0f, w[0].x);
  EXPECT_EQ(10.0f, w[3].x);
  EXPECT_EQ(10.0f, w[3].y);
}

TEST(SceneStar, IndexList) {
  SceneRandom random(1);
  StarField field;
  ASSERT_TRUE(field.Init(Settings(3, 350, false), random));
  EXPECT_EQ((std::vector<uint16_t>{0, 1, 2, 3, 2, 1, 4, 5, 6, 7, 6, 5, 8, 9, 10, 11, 10, 9}), field.BuildIndices());

  StarField full;
  ASSERT_TRUE(full.Init(Settings(5000, 350, false), random));
  EXPECT_EQ(4000u, full.VertexCount());
  const std::vector<uint16_t> indices = full.BuildIndices();
  ASSERT_EQ(6000u, indices.size());
  EXPECT_EQ((std::vector<uint16_t>{3996, 3997, 3998, 3999, 3998, 3997}),
            std::vector<uint16_t>(indices.end() - 6, indices.end()));
}

TEST(SceneStar, AFailedLockStillMovesTheStars) {
  SceneRandom withBuffer(31);
  SceneRandom withoutBuffer(31);
  StarField a;
  StarField b;
  ASSERT_TRUE(a.Init(Settings(200, 900, true), withBuffer));
  ASSERT_TRUE(b.Init(Settings(200, 900, true), withoutBuffer));
  std::vector<SceneVertex> v(a.VertexCount());
  for (int frame = 0; frame < 120; ++frame) {
    a.Advance(withBuffer, v.data());
    b.Advance(withoutBuffer, nullptr);
  }
  for (size_t n = 0; n < a.Stars().size(); ++n) {
    ExpectStarEq(a.Stars()[n], b.Stars()[n], "star " + std::to_string(n));
  }
  EXPECT_EQ(withBuffer.Next(), withoutBuffer.Next());
}

}  // namespace
