// Geometry of the grid scene: the clamped tile counts, the tile size, and the vertex and
// index lists that the platform copies into its buffers once at Init. Pure functions,
// called on the main thread.
#pragma once

#include <cstdint>
#include <vector>

#include "scenes/math3d.h"
#include "scenes/scene_vertex.h"

constexpr int32_t kMinTiles = 1;
constexpr int32_t kMaxTiles = 20;

struct GridLayout {
  int32_t screenWidth;
  int32_t screenHeight;
  int32_t tileColumns;
  int32_t tileRows;
  uint8_t normalStyle;  // non-zero "Normal": every tile upright; zero "Funny": mirrored neighbours
  float tileWidth;
  float tileHeight;
};

// Takes the settings as stored; the settings themselves are never corrected.
GridLayout MakeGridLayout(int32_t screenWidth, int32_t screenHeight, int32_t gridColumns, int32_t gridRows,
                          uint8_t gridStyle);

int32_t ClampTileCount(int32_t count);

// The screen pixels of one tile, rounded up: where the grid shows the video largest.
ScreenArea GridTileArea(const GridLayout& layout);

uint32_t GridVertexCount(const GridLayout& layout);
uint32_t GridIndexCount(const GridLayout& layout);

// Where the four corners of tile (row, column) sit in the vertex list.
struct TileCorners {
  uint16_t topLeft;
  uint16_t topRight;
  uint16_t bottomLeft;
  uint16_t bottomRight;
};
TileCorners GridTileCorners(const GridLayout& layout, int32_t row, int32_t column);

// Vertices in screen pixels, origin at the screen centre, y up, z = 1.
std::vector<SceneVertex> BuildGridVertices(const GridLayout& layout);
// Six indices per tile, row by row: BL, TL, BR, TR, BR, TL (clockwise on screen).
std::vector<uint16_t> BuildGridIndices(const GridLayout& layout);
