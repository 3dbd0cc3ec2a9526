// The scene tests' device, picture, notices, clock and frame reading, under Wine.
#include "scene_test_support.h"

#include <algorithm>

#include "base/com_ptr_win.h"
#include "scene_device_faults.h"
#include "scenes/cuboid_scene_win.h"
#include "scenes/device_objects_win.h"
#include "scenes/grid_scene_win.h"
#include "scenes/scene_device_win.h"
#include "scenes/star_scene_win.h"

namespace scenetest {

namespace {

std::vector<std::string> recordedNotices;
DWORD clockNow = 0;
SceneNoticeProc savedNotice = nullptr;
CuboidClockProc savedClock = nullptr;

void RecordNotice(const char* text) { recordedNotices.emplace_back(text); }
DWORD WINAPI HeldClock() { return clockNow; }

uint32_t Argb(Rgb c) { return 0xFF000000u | uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | uint32_t(c.b); }

// Texture row 0 is the picture's bottom line.
void Paint(const Quadrants& picture) {
  D3DLOCKED_RECT locked;
  ASSERT_EQ(videoTexture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  for (int row = 0; row < 256; ++row) {
    auto* line = reinterpret_cast<uint32_t*>(static_cast<BYTE*>(locked.pBits) + row * locked.Pitch);
    const bool upperHalf = row >= 128;
    for (int x = 0; x < 256; ++x) {
      const bool leftHalf = x < 128;
      const Rgb c = upperHalf ? (leftHalf ? picture.upperLeft : picture.upperRight)
                              : (leftHalf ? picture.lowerLeft : picture.lowerRight);
      line[x] = Argb(c);
    }
  }
  videoTexture->UnlockRect(0);
}

}  // namespace

Rgb Frame::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return Rgb{-1, -1, -1};
  const uint32_t p = pixels_[size_t(y) * size_t(width_) + size_t(x)];
  return Rgb{int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF)};
}

int Frame::CountOther(Rgb colour, int tolerance) const {
  int count = 0;
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x)
      if (!Near(At(x, y), colour, tolerance)) ++count;
  return count;
}

::testing::AssertionResult ShowsColour(const Frame& frame, int x, int y, Rgb expected, int tolerance) {
  const Rgb seen = frame.At(x, y);
  if (Near(seen, expected, tolerance)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") shows " << Describe(seen) << ", expected "
                                       << Describe(expected);
}

void ExpectPicture(const Frame& frame, int left, int top, int width, int height, const Quadrants& expected,
                   int tolerance, const std::string& what) {
  const int leftX = left + width / 4;
  const int rightX = left + 3 * width / 4;
  const int upperY = top + height / 4;
  const int lowerY = top + 3 * height / 4;
  EXPECT_TRUE(ShowsColour(frame, leftX, upperY, expected.upperLeft, tolerance)) << what << ", upper left";
  EXPECT_TRUE(ShowsColour(frame, rightX, upperY, expected.upperRight, tolerance)) << what << ", upper right";
  EXPECT_TRUE(ShowsColour(frame, leftX, lowerY, expected.lowerLeft, tolerance)) << what << ", lower left";
  EXPECT_TRUE(ShowsColour(frame, rightX, lowerY, expected.lowerRight, tolerance)) << what << ", lower right";
}

ULONG References(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

void SceneTest::SetUp() {
  savedOptions_ = saverOptions;
  SetDefaultOptions(saverOptions);
  recordedNotices.clear();
  savedNotice = sceneNotice;
  sceneNotice = RecordNotice;
  savedClock = cuboidClock;
  clockNow = 0;
  cuboidClock = HeldClock;

  ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), kScreenWidth) << "the expected places are worked out for 1024x768";
  ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), kScreenHeight) << "the expected places are worked out for 1024x768";
  window_ = CreateWindowExA(0, "STATIC", "scene test", WS_POPUP, 0, 0, kScreenWidth, kScreenHeight, nullptr, nullptr,
                            nullptr, nullptr);
  ASSERT_NE(window_, nullptr);
  ASSERT_EQ(CreateSaverDevice(window_), D3D_OK);
  ASSERT_EQ(d3dDevice->CreateTexture(256, 256, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &videoTexture), D3D_OK);
  PaintPicture(kUpright);
}

void SceneTest::TearDown() {
  if (d3dDevice != nullptr) RemoveDeviceFaults();
  CuboidScene::Cleanup();
  GridScene::Cleanup();
  StarScene::Cleanup();
  ReleaseDeviceObjects();
  if (window_ != nullptr) DestroyWindow(window_);
  cuboidClock = savedClock;
  sceneNotice = savedNotice;
  saverOptions = savedOptions_;
}

void SceneTest::PaintPicture(const Quadrants& picture) { Paint(picture); }

void SceneTest::PaintSolid(Rgb colour) { Paint(Quadrants{colour, colour, colour, colour}); }

Frame SceneTest::ReadFrame() {
  ComPtr<IDirect3DSurface8> backBuffer;
  if (d3dDevice->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, backBuffer.Receive()) != D3D_OK) {
    ADD_FAILURE() << "no back buffer";
    return Frame();
  }
  D3DSURFACE_DESC description;
  backBuffer->GetDesc(&description);
  if (description.Format != D3DFMT_X8R8G8B8 && description.Format != D3DFMT_A8R8G8B8) {
    ADD_FAILURE() << "back buffer format " << description.Format << " is not 32-bit RGB";
    return Frame();
  }
  ComPtr<IDirect3DSurface8> copy;
  if (d3dDevice->CreateImageSurface(description.Width, description.Height, description.Format, copy.Receive()) !=
          D3D_OK ||
      d3dDevice->CopyRects(backBuffer.Get(), nullptr, 0, copy.Get(), nullptr) != D3D_OK) {
    ADD_FAILURE() << "the back buffer could not be copied";
    return Frame();
  }
  D3DLOCKED_RECT locked;
  if (copy->LockRect(&locked, nullptr, D3DLOCK_READONLY) != D3D_OK) {
    ADD_FAILURE() << "the copy could not be locked";
    return Frame();
  }
  std::vector<uint32_t> pixels(size_t(description.Width) * description.Height);
  for (UINT y = 0; y < description.Height; ++y) {
    const auto* line = reinterpret_cast<const uint32_t*>(static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch);
    std::copy(line, line + description.Width, pixels.begin() + size_t(y) * description.Width);
  }
  copy->UnlockRect();
  return Frame(int(description.Width), int(description.Height), std::move(pixels));
}

std::vector<std::string>& SceneTest::Notices() { return recordedNotices; }

void SceneTest::SetClock(DWORD milliseconds) { clockNow = milliseconds; }

}  // namespace scenetest
