// The same picture in other windows (the mirrors) with the real device under Wine: what a
// mirror of another shape shows on the screen, how many times the device itself presents,
// and a new layout while the device is lost. Main thread only.
#include <windows.h>

#include <d3d8.h>

#include <gtest/gtest.h>

#include <string>

#include "base/com_ptr_win.h"
#include "base/scoped_win.h"
#include "poll.h"
#include "scene_device_faults.h"
#include "scene_test_support.h"
#include "scenes/device_objects_win.h"
#include "scenes/grid_scene_win.h"
#include "scenes/scene_device_win.h"

namespace scenetest {
namespace {

// Wider than the screen's shape, so that a picture not scaled to the window shows at once.
constexpr RECT kFirstPlace = {520, 480, 1000, 680};
constexpr RECT kSecondPlace = {40, 420, 440, 740};

LRESULT CALLBACK MirrorProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

// A visible window with no background of its own, so that nothing but a present paints it.
HWND MakeMirror(const RECT& r) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = MirrorProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "OrvelMirrorTest";
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, r.left,
                                r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
  if (window != nullptr) UpdateWindow(window);
  return window;
}

// One tile of the grid: the picture fills the whole frame.
HRESULT DrawOneTile() {
  saverOptions.gridColumns = 1;
  saverOptions.gridRows = 1;
  if (GridScene::Init() != S_OK) return E_FAIL;
  GridScene::Advance();
  return GridScene::Draw();
}

// The centres of the four quarters of a screen rectangle show the picture.
void ExpectOnScreen(const RECT& r, const Quadrants& picture, const std::string& what) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  const struct {
    POINT at;
    Rgb want;
  } checks[] = {{{r.left + w / 4, r.top + h / 4}, picture.upperLeft},
                {{r.left + w * 3 / 4, r.top + h / 4}, picture.upperRight},
                {{r.left + w / 4, r.top + h * 3 / 4}, picture.lowerLeft},
                {{r.left + w * 3 / 4, r.top + h * 3 / 4}, picture.lowerRight}};
  for (const auto& check : checks) {
    Rgb got{};
    const bool shown = WaitPumping([&] {
      const COLORREF c = GetPixel(ScopedWindowDc(nullptr).Get(), check.at.x, check.at.y);
      got = {GetRValue(c), GetGValue(c), GetBValue(c)};
      return Near(got, check.want, 8);
    });
    EXPECT_TRUE(shown) << what << " at " << check.at.x << "," << check.at.y << ": " << Describe(got) << " instead of "
                       << Describe(check.want);
  }
}

class SceneMirrorTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    mirror_ = MakeMirror(kFirstPlace);
    ASSERT_NE(mirror_, nullptr);
    InstallDeviceFaults(d3dDevice);
  }
  void TearDown() override {
    LeaveMirrorWindows();
    SceneTest::TearDown();
    if (mirror_ != nullptr) DestroyWindow(mirror_);
  }

  HWND mirror_ = nullptr;
};

// The frame is drawn once and the device presents it once, into its own window: that is the
// present that waits for the retrace, and a second one into the mirror would wait again.
TEST_F(SceneMirrorTest, TheMirrorShowsTheWholeFrameScaledAndTheDevicePresentsOnce) {
  mirrorWindows = {mirror_};
  ASSERT_EQ(DrawOneTile(), D3D_OK);
  EXPECT_EQ(DevicePresents(), 1);
  ExpectPicture(ReadFrame(), 0, 0, kScreenWidth, kScreenHeight, kUpright, 2, "the device's frame");
  ExpectOnScreen(kFirstPlace, kUpright, "the mirror");
}

// A new layout while the device is lost: the old mirror is left without a present (the lost
// device refuses every one), destroyed, and once the device is reset the next frame fills
// the new mirror.
TEST_F(SceneMirrorTest, ALostDeviceLeavesItsMirrorWithoutAPresentAndFillsTheNewOneAfterTheReset) {
  mirrorWindows = {mirror_};
  ASSERT_EQ(DrawOneTile(), D3D_OK);
  LoseDevice(1, 0);
  EXPECT_EQ(GridScene::Draw(), D3DERR_DEVICELOST);

  LeaveMirrorWindows();
  EXPECT_EQ(PresentsWhileLost(), 0) << "leaving the mirror asked the lost device for a present";
  EXPECT_TRUE(mirrorWindows.empty());
  DestroyWindow(mirror_);
  mirror_ = MakeMirror(kSecondPlace);
  ASSERT_NE(mirror_, nullptr);
  mirrorWindows = {mirror_};

  GridScene::Cleanup();
  ReleaseHolder(sceneIndexBuffer);
  ReleaseHolder(sceneVertexBuffer);
  ASSERT_EQ(ResetSaverDevice(), D3D_OK);
  PaintPicture(kMirroredBoth);  // not what the screen may still show from before
  ASSERT_EQ(DrawOneTile(), D3D_OK);
  ExpectOnScreen(kSecondPlace, kMirroredBoth, "the new mirror");
}

}  // namespace
}  // namespace scenetest
