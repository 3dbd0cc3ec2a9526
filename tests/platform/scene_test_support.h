// Shared by the scene tests under Wine: a real saver device on a window of the screen's
// size, videoTexture painted with a known picture, the notices caught instead of shown, the
// cuboid clock held still, and the back buffer read after a frame.
#pragma once

#include <windows.h>

#include <d3d8.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "colour.h"
#include "settings/options_record.h"

namespace scenetest {

// A picture as four areas of one colour each, as seen on the screen.
struct Quadrants {
  Rgb upperLeft, upperRight, lowerLeft, lowerRight;
};

// The test picture, and how it looks mirrored and turned.
constexpr Quadrants kUpright{kRed, kGreen, kBlue, kWhite};
constexpr Quadrants kMirroredLeftRight{kGreen, kRed, kWhite, kBlue};
constexpr Quadrants kUpsideDown{kBlue, kWhite, kRed, kGreen};
constexpr Quadrants kMirroredBoth{kWhite, kBlue, kGreen, kRed};

// The screen the expected places were worked out for (the Xvfb display of the test runs).
constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

// The back buffer after a frame, x from the left and y from the top.
class Frame {
 public:
  Frame() = default;
  Frame(int width, int height, std::vector<uint32_t> pixels)
      : width_(width), height_(height), pixels_(std::move(pixels)) {}
  int Width() const { return width_; }
  int Height() const { return height_; }
  Rgb At(int x, int y) const;
  // How many pixels are not within `tolerance` of `colour`.
  int CountOther(Rgb colour, int tolerance) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> pixels_;
};

// Passes when the pixel at (x, y) is within `tolerance` of `expected` in every channel.
::testing::AssertionResult ShowsColour(const Frame& frame, int x, int y, Rgb expected, int tolerance);
// The centres of the four quarters of a screen rectangle show the four given colours.
void ExpectPicture(const Frame& frame, int left, int top, int width, int height, const Quadrants& expected,
                   int tolerance, const std::string& what);

// Names a parameterised case after the `name` of its parameter.
struct CaseName {
  template <typename Param>
  std::string operator()(const ::testing::TestParamInfo<Param>& info) const {
    return info.param.name;
  }
};

// Reference count of a COM object, without changing it.
ULONG References(IUnknown* object);

// Device, texture, settings, notices and clock for one test; everything is released and put
// back afterwards, also when the test stops early.
class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Fills videoTexture: the picture's top line goes to the last texture row, since the
  // saver's texture holds the bottom line in row 0.
  static void PaintPicture(const Quadrants& picture);
  static void PaintSolid(Rgb colour);
  // The back buffer as the last Present left it.
  static Frame ReadFrame();

  // The texts of the notices shown during the test, in order.
  static std::vector<std::string>& Notices();
  // The cuboid clock the scene reads during the test, in milliseconds.
  static void SetClock(DWORD milliseconds);

 private:
  HWND window_ = nullptr;
  SaverOptions savedOptions_ = {};
};

}  // namespace scenetest
