// Geometry of the grid scene, computed once at Init on the main thread.
#include "scenes/grid_geometry.h"

#include <cmath>

#include "base/clamp.h"

namespace {

struct TexCoord {
  float u;
  float v;
};

// Texture coordinates of one tile's corners; the picture's bottom line is at v = 0.
struct TileTexCoords {
  TexCoord bottomLeft;
  TexCoord topLeft;
  TexCoord bottomRight;
  TexCoord topRight;
};

constexpr TileTexCoords kUpright{{0, 0}, {0, 1}, {1, 0}, {1, 1}};
constexpr TileTexCoords kMirroredLeftRight{{1, 0}, {1, 1}, {0, 0}, {0, 1}};
constexpr TileTexCoords kUpsideDown{{0, 1}, {0, 0}, {1, 1}, {1, 0}};
constexpr TileTexCoords kMirroredBoth{{1, 1}, {1, 0}, {0, 1}, {0, 0}};

// In the mirror mosaic every tile is the mirror image of its neighbours, so the picture
// continues across each shared edge.
const TileTexCoords& TexCoordsFor(const GridLayout& layout, int32_t row, int32_t column) {
  if (layout.normalStyle != 0) {
    return kUpright;
  }
  const bool oddRow = (row % 2) != 0;
  const bool oddColumn = (column % 2) != 0;
  if (oddRow) {
    return oddColumn ? kMirroredBoth : kUpsideDown;
  }
  return oddColumn ? kMirroredLeftRight : kUpright;
}

// Both neighbours of an edge go through this one expression, so they meet without a crack.
float ColumnEdge(const GridLayout& layout, int32_t column) {
  const float offset = static_cast<float>(column) * layout.tileWidth;
  const float x = offset - static_cast<float>(layout.screenWidth / 2);
  return x;
}

float RowEdge(const GridLayout& layout, int32_t row) {
  const float offset = static_cast<float>(row) * layout.tileHeight;
  const float y = static_cast<float>(layout.screenHeight / 2) - offset;
  return y;
}

constexpr uint32_t kWhite = 0xFFFFFFFFu;

SceneVertex Corner(float x, float y, const TexCoord& t) { return SceneVertex{x, y, 1.0f, kWhite, t.u, t.v}; }

}  // namespace

int32_t ClampTileCount(int32_t count) { return ClampInt(count, kMinTiles, kMaxTiles); }

GridLayout MakeGridLayout(int32_t screenWidth, int32_t screenHeight, int32_t gridColumns, int32_t gridRows,
                          uint8_t gridStyle) {
  GridLayout layout{};
  layout.screenWidth = screenWidth;
  layout.screenHeight = screenHeight;
  layout.tileColumns = ClampTileCount(gridColumns);
  layout.tileRows = ClampTileCount(gridRows);
  layout.normalStyle = gridStyle;
  layout.tileWidth = static_cast<float>(screenWidth) / static_cast<float>(layout.tileColumns);
  layout.tileHeight = static_cast<float>(screenHeight) / static_cast<float>(layout.tileRows);
  return layout;
}

uint32_t GridVertexCount(const GridLayout& layout) {
  return static_cast<uint32_t>(layout.tileColumns * layout.tileRows * 4);
}

uint32_t GridIndexCount(const GridLayout& layout) {
  return static_cast<uint32_t>(layout.tileColumns * layout.tileRows * 6);
}

TileCorners GridTileCorners(const GridLayout& layout, int32_t row, int32_t column) {
  // Two edge rows per tile row, each a run of (left, right) corner pairs.
  const int32_t k = layout.tileColumns;
  const int32_t topLeft = 2 * (2 * row * k + column);
  const int32_t bottomLeft = 2 * ((2 * row + 1) * k + column);
  return TileCorners{static_cast<uint16_t>(topLeft), static_cast<uint16_t>(topLeft + 1),
                     static_cast<uint16_t>(bottomLeft), static_cast<uint16_t>(bottomLeft + 1)};
}

std::vector<SceneVertex> BuildGridVertices(const GridLayout& layout) {
  std::vector<SceneVertex> vertices(GridVertexCount(layout));
  for (int32_t row = 0; row < layout.tileRows; ++row) {
    const float top = RowEdge(layout, row);
    const float bottom = RowEdge(layout, row + 1);
    for (int32_t column = 0; column < layout.tileColumns; ++column) {
      const float left = ColumnEdge(layout, column);
      const float right = ColumnEdge(layout, column + 1);
      const TileTexCoords& t = TexCoordsFor(layout, row, column);
      const TileCorners c = GridTileCorners(layout, row, column);
      vertices[c.topLeft] = Corner(left, top, t.topLeft);
      vertices[c.topRight] = Corner(right, top, t.topRight);
      vertices[c.bottomLeft] = Corner(left, bottom, t.bottomLeft);
      vertices[c.bottomRight] = Corner(right, bottom, t.bottomRight);
    }
  }
  return vertices;
}

std::vector<uint16_t> BuildGridIndices(const GridLayout& layout) {
  std::vector<uint16_t> indices;
  indices.reserve(GridIndexCount(layout));
  for (int32_t row = 0; row < layout.tileRows; ++row) {
    for (int32_t column = 0; column < layout.tileColumns; ++column) {
      const TileCorners c = GridTileCorners(layout, row, column);
      indices.insert(indices.end(), {c.bottomLeft, c.topLeft, c.bottomRight, c.topRight, c.bottomRight, c.topLeft});
    }
  }
  return indices;
}

ScreenArea GridTileArea(const GridLayout& layout) {
  return ScreenArea{int32_t(std::ceil(layout.tileWidth)), int32_t(std::ceil(layout.tileHeight))};
}
