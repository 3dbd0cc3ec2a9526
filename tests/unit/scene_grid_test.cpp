// Grid geometry: clamps, vertex positions, index lists and the two texture styles.
#include <gtest/gtest.h>

#include <vector>

#include "scenes/grid_geometry.h"

namespace {

struct Expected {
  float x;
  float y;
  float u;
  float v;
};

void ExpectVertices(const std::vector<Expected>& expected, const std::vector<SceneVertex>& actual) {
  ASSERT_EQ(expected.size(), actual.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(expected[i].x, actual[i].x) << "vertex " << i;
    EXPECT_EQ(expected[i].y, actual[i].y) << "vertex " << i;
    EXPECT_EQ(1.0f, actual[i].z) << "vertex " << i;
    EXPECT_EQ(0xFFFFFFFFu, actual[i].diffuse) << "vertex " << i;
    EXPECT_EQ(expected[i].u, actual[i].u) << "vertex " << i;
    EXPECT_EQ(expected[i].v, actual[i].v) << "vertex " << i;
  }
}

constexpr uint8_t kFunny = 0;
constexpr uint8_t kNormal = 1;

TEST(SceneGrid, TileCountsAreClampedToOneToTwenty) {
  struct Case {
    int32_t stored;
    int32_t used;
  };
  const Case cases[] = {{-5, 1}, {0, 1}, {1, 1}, {2, 2}, {19, 19}, {20, 20}, {25, 20}};
  for (const Case& c : cases) {
    const GridLayout columns = MakeGridLayout(1024, 768, c.stored, 4, kFunny);
    EXPECT_EQ(c.used, columns.tileColumns) << c.stored;
    EXPECT_EQ(4, columns.tileRows) << c.stored;
    const GridLayout rows = MakeGridLayout(1024, 768, 4, c.stored, kFunny);
    EXPECT_EQ(c.used, rows.tileRows) << c.stored;
    EXPECT_EQ(static_cast<uint32_t>(c.used * 4 * 4), GridVertexCount(rows)) << c.stored;
    EXPECT_EQ(static_cast<uint32_t>(c.used * 4 * 6), GridIndexCount(rows)) << c.stored;
  }
  // The style byte is a flag, never clamped: zero stays the mirror mosaic.
  EXPECT_EQ(0, MakeGridLayout(1024, 768, 2, 2, 0).normalStyle);
}

TEST(SceneGrid, OneTileCoversTheScreenUprightInBothStyles) {
  for (uint8_t style : {kFunny, kNormal}) {
    const GridLayout layout = MakeGridLayout(1024, 768, 1, 1, style);
    ExpectVertices({{-512, 384, 0, 1}, {512, 384, 1, 1}, {-512, -384, 0, 0}, {512, -384, 1, 0}},
                   BuildGridVertices(layout));
    EXPECT_EQ((std::vector<uint16_t>{2, 0, 3, 1, 3, 0}), BuildGridIndices(layout));
  }
}

TEST(SceneGrid, TwoByTwoFunnyMirrorsEveryNeighbour) {
  const GridLayout layout = MakeGridLayout(1024, 768, 2, 2, kFunny);
  EXPECT_EQ(512.0f, layout.tileWidth);
  EXPECT_EQ(384.0f, layout.tileHeight);
  // Edge rows top to bottom, each holding (left, right) of tile 0 then of tile 1.
  // Tiles: (0,0) upright, (0,1) mirrored left-right, (1,0) upside down, (1,1) both.
  // clang-format off
  ExpectVertices(
      {
          {-512, 384, 0, 1}, {0, 384, 1, 1}, {0, 384, 1, 1}, {512, 384, 0, 1},
          {-512, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 1, 0}, {512, 0, 0, 0},
          {-512, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 1, 0}, {512, 0, 0, 0},
          {-512, -384, 0, 1}, {0, -384, 1, 1}, {0, -384, 1, 1}, {512, -384, 0, 1},
      },
      BuildGridVertices(layout));
  EXPECT_EQ((std::vector<uint16_t>{4, 0, 5, 1, 5, 0, 6, 2, 7, 3, 7, 2,
                                   12, 8, 13, 9, 13, 8, 14, 10, 15, 11, 15, 10}),
            BuildGridIndices(layout));
  // clang-format on
}

TEST(SceneGrid, AnyNonZeroStyleIsNormal) {
  for (uint8_t style : {uint8_t{1}, uint8_t{7}, uint8_t{255}}) {
    const std::vector<SceneVertex> v = BuildGridVertices(MakeGridLayout(1024, 768, 2, 2, style));
    for (size_t i = 0; i < v.size(); ++i) {
      // Left corners u = 0, right corners u = 1; top edge rows v = 1, bottom v = 0.
      const float u = (i % 2 == 0) ? 0.0f : 1.0f;
      const float t = ((i / 4) % 2 == 0) ? 1.0f : 0.0f;
      EXPECT_EQ(u, v[i].u) << "style " << int{style} << " vertex " << i;
      EXPECT_EQ(t, v[i].v) << "style " << int{style} << " vertex " << i;
    }
  }
}

TEST(SceneGrid, FunnyRowsAndColumnsAlone) {
  // clang-format off
  // Two columns: upright, then mirrored left to right.
  ExpectVertices({{-512, 384, 0, 1}, {0, 384, 1, 1}, {0, 384, 1, 1}, {512, 384, 0, 1},
                  {-512, -384, 0, 0}, {0, -384, 1, 0}, {0, -384, 1, 0}, {512, -384, 0, 0}},
                 BuildGridVertices(MakeGridLayout(1024, 768, 2, 1, kFunny)));
  // Two rows: upright, then upside down.
  ExpectVertices({{-512, 384, 0, 1}, {512, 384, 1, 1}, {-512, 0, 0, 0}, {512, 0, 1, 0},
                  {-512, 0, 0, 0}, {512, 0, 1, 0}, {-512, -384, 0, 1}, {512, -384, 1, 1}},
                 BuildGridVertices(MakeGridLayout(1024, 768, 1, 2, kFunny)));
  // clang-format on
}

TEST(SceneGrid, TenByTenOn1024x768) {
  const GridLayout layout = MakeGridLayout(1024, 768, 10, 10, kFunny);
  EXPECT_EQ(102.4f, layout.tileWidth);
  EXPECT_EQ(76.8f, layout.tileHeight);
  const std::vector<SceneVertex> v = BuildGridVertices(layout);
  const std::vector<uint16_t> idx = BuildGridIndices(layout);
  ASSERT_EQ(400u, v.size());
  ASSERT_EQ(600u, idx.size());

  // Tile (0, 0): TL 0, BR 2 * (10 + 0) + 1 = 21.
  EXPECT_EQ(-512.0f, v[0].x);
  EXPECT_EQ(384.0f, v[0].y);
  EXPECT_EQ(-409.6f, v[21].x);
  EXPECT_EQ(307.2f, v[21].y);
  // Tile (9, 9): BR = 2 * (19 * 10 + 9) + 1 = 399.
  EXPECT_EQ(512.0f, v[399].x);
  EXPECT_EQ(-384.0f, v[399].y);
  // Tile (3, 7) is the 38th tile: TL 2 * (60 + 7) = 134, BL 2 * (70 + 7) = 154.
  const std::vector<uint16_t> tile37(idx.begin() + 37 * 6, idx.begin() + 38 * 6);
  EXPECT_EQ((std::vector<uint16_t>{154, 134, 155, 135, 155, 134}), tile37);
  // Tile (3, 7) is odd row, odd column: mirrored both ways, so BL carries (1, 1).
  EXPECT_EQ(1.0f, v[154].u);
  EXPECT_EQ(1.0f, v[154].v);
}

// Every shared edge has identical coordinates on both sides and the texture continues
// across it in the mirror mosaic; checked on uneven splits where rounding could crack.
TEST(SceneGrid, NeighboursShareExactEdges) {
  struct Case {
    int32_t width;
    int32_t height;
    int32_t columns;
    int32_t rows;
  };
  const Case cases[] = {{1024, 768, 10, 10}, {1024, 768, 3, 7}, {1023, 767, 13, 11}, {1280, 1024, 20, 20}};
  for (const Case& c : cases) {
    const GridLayout layout = MakeGridLayout(c.width, c.height, c.columns, c.rows, kFunny);
    const std::vector<SceneVertex> v = BuildGridVertices(layout);
    for (int32_t i = 0; i < c.rows; ++i) {
      for (int32_t j = 0; j < c.columns; ++j) {
        const TileCorners t = GridTileCorners(layout, i, j);
        if (j + 1 < c.columns) {
          const TileCorners r = GridTileCorners(layout, i, j + 1);
          EXPECT_EQ(v[t.topRight].x, v[r.topLeft].x);
          EXPECT_EQ(v[t.bottomRight].x, v[r.bottomLeft].x);
          EXPECT_EQ(v[t.topRight].y, v[r.topLeft].y);
          EXPECT_EQ(v[t.topRight].u, v[r.topLeft].u);
          EXPECT_EQ(v[t.bottomRight].v, v[r.bottomLeft].v);
        }
        if (i + 1 < c.rows) {
          const TileCorners b = GridTileCorners(layout, i + 1, j);
          EXPECT_EQ(v[t.bottomLeft].y, v[b.topLeft].y);
          EXPECT_EQ(v[t.bottomRight].y, v[b.topRight].y);
          EXPECT_EQ(v[t.bottomLeft].x, v[b.topLeft].x);
          EXPECT_EQ(v[t.bottomLeft].v, v[b.topLeft].v);
          EXPECT_EQ(v[t.bottomRight].u, v[b.topRight].u);
        }
      }
    }
    // The grid ends at the screen's edges (the far ones up to the rounding of the
    // tile size).
    EXPECT_EQ(static_cast<float>(-(c.width / 2)), v.front().x);
    EXPECT_EQ(static_cast<float>(c.height / 2), v.front().y);
    EXPECT_FLOAT_EQ(static_cast<float>(c.width - c.width / 2), v.back().x);
    EXPECT_FLOAT_EQ(static_cast<float>(c.height / 2 - c.height), v.back().y);
  }
}

TEST(SceneGrid, ThreeColumnsOn1024HaveFractionalEdges) {
  const GridLayout layout = MakeGridLayout(1024, 768, 3, 1, kNormal);
  // 1024 / 3 = 341.33334 in single precision; the edges j * w - 512:
  EXPECT_EQ(341.333343505859375f, layout.tileWidth);
  const std::vector<SceneVertex> v = BuildGridVertices(layout);
  const float edges[] = {-512.0f, -170.666656494140625f, 170.66668701171875f, 512.0f};
  for (int32_t j = 0; j < 3; ++j) {
    EXPECT_EQ(edges[j], v[2 * j].x) << "tile " << j;
    EXPECT_EQ(edges[j + 1], v[2 * j + 1].x) << "tile " << j;
  }
}

TEST(SceneGrid, OddScreenSizeSpansFromMinusHalfToTheRest) {
  ExpectVertices({{-511, 383, 0, 1}, {512, 383, 1, 1}, {-511, -384, 0, 0}, {512, -384, 1, 0}},
                 BuildGridVertices(MakeGridLayout(1023, 767, 1, 1, kNormal)));
  // 1023 / 3 = 341 exactly.
  const std::vector<SceneVertex> v = BuildGridVertices(MakeGridLayout(1023, 767, 3, 1, kNormal));
  EXPECT_EQ(-511.0f, v[0].x);
  EXPECT_EQ(-170.0f, v[1].x);
  EXPECT_EQ(171.0f, v[3].x);
  EXPECT_EQ(512.0f, v[5].x);
}

TEST(SceneGrid, EveryTriangleRunsClockwiseOnScreen) {
  const GridLayout layout = MakeGridLayout(1024, 768, 3, 4, kFunny);
  const std::vector<SceneVertex> v = BuildGridVertices(layout);
  const std::vector<uint16_t> idx = BuildGridIndices(layout);
  ASSERT_EQ(0u, idx.size() % 3);
  for (size_t t = 0; t < idx.size(); t += 3) {
    const SceneVertex& a = v[idx[t]];
    const SceneVertex& b = v[idx[t + 1]];
    const SceneVertex& c = v[idx[t + 2]];
    // With y up, a clockwise triangle has a negative signed area.
    const float twiceArea = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
    EXPECT_LT(twiceArea, 0.0f) << "triangle " << t / 3;
  }
}

}  // namespace
