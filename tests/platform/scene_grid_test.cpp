// The grid scene drawn by the real device under Wine: tiles read back from the back buffer
// with the four-colour picture in videoTexture (its refused device calls are with the
// dispatch's).
#include <windows.h>

#include <d3d8.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "base/com_ptr_win.h"
#include "scene_test_support.h"
#include "scenes/device_objects_win.h"
#include "scenes/grid_scene_win.h"

namespace scenetest {
namespace {

constexpr uint8_t kFunny = 0;
constexpr uint8_t kNormal = 1;

struct GridCase {
  const char* name;
  int storedColumns;
  int storedRows;
  uint8_t style;
  int columns;  // as drawn
  int rows;
  // What each tile shows, row by row from the top, left to right.
  std::vector<Quadrants> tiles;
};

void PrintTo(const GridCase& c, std::ostream* os) { *os << c.name; }

class SceneGridPictureTest : public SceneTest, public ::testing::WithParamInterface<GridCase> {};

void DrawGrid(int columns, int rows, uint8_t style) {
  saverOptions.gridColumns = columns;
  saverOptions.gridRows = rows;
  saverOptions.gridStyle = style;
  ASSERT_EQ(GridScene::Init(), S_OK);
  GridScene::Advance();
  GridScene::Draw();
}

TEST_P(SceneGridPictureTest, EveryTileShowsThePictureTheStyleAsksFor) {
  const GridCase& c = GetParam();
  DrawGrid(c.storedColumns, c.storedRows, c.style);
  const Frame frame = ReadFrame();
  ASSERT_EQ(c.tiles.size(), size_t(c.columns * c.rows));
  for (int row = 0; row < c.rows; ++row) {
    const int top = row * kScreenHeight / c.rows;
    const int bottom = (row + 1) * kScreenHeight / c.rows;
    for (int column = 0; column < c.columns; ++column) {
      const int left = column * kScreenWidth / c.columns;
      const int right = (column + 1) * kScreenWidth / c.columns;
      ExpectPicture(frame, left, top, right - left, bottom - top, c.tiles[size_t(row * c.columns + column)], 2,
                    "tile (" + std::to_string(row) + ", " + std::to_string(column) + ")");
    }
  }
  EXPECT_TRUE(Notices().empty());
  EXPECT_EQ(saverOptions.gridColumns, c.storedColumns) << "the settings keep their values";
  EXPECT_EQ(saverOptions.gridRows, c.storedRows);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    SceneGridStyles, SceneGridPictureTest,
    ::testing::Values(
        GridCase{"Normal2x2", 2, 2, kNormal, 2, 2, {kUpright, kUpright, kUpright, kUpright}},
        GridCase{"Funny2x2", 2, 2, kFunny, 2, 2, {kUpright, kMirroredLeftRight, kUpsideDown, kMirroredBoth}},
        GridCase{"Funny2x1", 2, 1, kFunny, 2, 1, {kUpright, kMirroredLeftRight}},
        GridCase{"Funny1x2", 1, 2, kFunny, 1, 2, {kUpright, kUpsideDown}},
        GridCase{"Funny3x2", 3, 2, kFunny, 3, 2,
                 {kUpright, kMirroredLeftRight, kUpright, kUpsideDown, kMirroredBoth, kUpsideDown}},
        GridCase{"AnyNonZeroStyleIsNormal", 2, 2, 7, 2, 2, {kUpright, kUpright, kUpright, kUpright}},
        GridCase{"Normal1x1", 1, 1, kNormal, 1, 1, {kUpright}},
        GridCase{"Funny1x1", 1, 1, kFunny, 1, 1, {kUpright}},
        GridCase{"NoColumnsIsOne", 0, 1, kNormal, 1, 1, {kUpright}},
        GridCase{"NegativeRowsIsOne", 1, -4, kFunny, 1, 1, {kUpright}},
        GridCase{"TwentyFiveColumnsAreTwenty", 25, 1, kNormal, 20, 1, std::vector<Quadrants>(20, kUpright)}),
    CaseName());
// clang-format on

using SceneGridTest = SceneTest;

TEST_F(SceneGridTest, OneTileFillsTheWholeScreen) {
  DrawGrid(1, 1, kFunny);
  const Frame frame = ReadFrame();
  // Four pixels in from each corner, where the filter no longer reaches round the edge of
  // the texture.
  EXPECT_TRUE(ShowsColour(frame, 4, 4, kRed, 2));
  EXPECT_TRUE(ShowsColour(frame, kScreenWidth - 5, 4, kGreen, 2));
  EXPECT_TRUE(ShowsColour(frame, 4, kScreenHeight - 5, kBlue, 2));
  EXPECT_TRUE(ShowsColour(frame, kScreenWidth - 5, kScreenHeight - 5, kWhite, 2));
  int dark = 0;
  for (int y = 0; y < frame.Height(); ++y)
    for (int x = 0; x < frame.Width(); ++x) {
      const Rgb c = frame.At(x, y);
      if (c.r + c.g + c.b < 96) ++dark;
    }
  EXPECT_EQ(dark, 0) << "every pixel lies on the tile";
}

// In the Funny style neighbouring tiles are mirror images, so they meet at the same edge of
// the picture: both sides of each seam show that edge's colour, with nothing of the
// opposite edge blended in.
TEST_F(SceneGridTest, MirroredTilesMeetWithoutASeam) {
  DrawGrid(2, 2, kFunny);
  const Frame frame = ReadFrame();
  const int midX = kScreenWidth / 2, midY = kScreenHeight / 2;
  const struct {
    int x, y;
    Rgb colour;
  // clang-format off
  } seams[] = {
      // Upright beside mirrored: their green quarters (the top of each tile's right and left
      // half) meet in the middle.
      {midX - 1, 50, kGreen}, {midX, 50, kGreen}, {midX - 1, 150, kGreen}, {midX, 150, kGreen},
      // Upright above upside down: their blue quarters (the left of each tile's bottom and top
      // half) meet across the middle.
      {50, midY - 1, kBlue}, {50, midY, kBlue}, {200, midY - 1, kBlue}, {200, midY, kBlue}};
  // clang-format on
  for (const auto& s : seams) EXPECT_TRUE(ShowsColour(frame, s.x, s.y, s.colour, 8)) << s.x << "," << s.y;
}

// Column and row counts that do not divide 1024 x 768 give fractional tile edges; with a
// white picture any gap between tiles would show as a black line.
TEST_F(SceneGridTest, FractionalTileEdgesLeaveNoCrack) {
  PaintSolid(kWhite);
  const struct {
    int columns, rows;
    uint8_t style;
  } cases[] = {{3, 1, kNormal}, {3, 7, kFunny}, {7, 3, kNormal}, {20, 20, kFunny}};
  for (const auto& c : cases) {
    DrawGrid(c.columns, c.rows, c.style);
    const Frame frame = ReadFrame();
    EXPECT_EQ(frame.CountOther(kWhite, 1), 0) << c.columns << " x " << c.rows << " tiles";
    // The next Init makes its buffers afresh.
    ReleaseHolder(sceneVertexBuffer);
    ReleaseHolder(sceneIndexBuffer);
  }
}

}  // namespace
}  // namespace scenetest
