// orvel.scr on a display of two monitors of different sizes (run by scripts/wine-run
// --two-monitors): what each monitor shows in each monitors choice, and input on the second
// monitor ending the run by the saver window's rules. Test thread only.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "saver_process.h"
#include "saver_screen.h"
#include "settings/settings_encoding.h"

namespace {

constexpr DWORD kWaitTime = 20000;  // bounds against a hang, not timing assertions

BOOL CALLBACK AddSecondary(HMONITOR monitor, HDC, LPRECT, LPARAM param) {
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  if (GetMonitorInfoA(monitor, &info) && !(info.dwFlags & MONITORINFOF_PRIMARY))
    reinterpret_cast<std::vector<RECT>*>(param)->push_back(info.rcMonitor);
  return TRUE;
}

std::vector<RECT> SecondaryMonitors() {
  std::vector<RECT> found;
  EnumDisplayMonitors(nullptr, nullptr, AddSecondary, reinterpret_cast<LPARAM>(&found));
  return found;
}

LRESULT CALLBACK PlainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

// A white window of another program on the monitor, standing for the desktop there.
HWND WhiteWindowOver(const RECT& r) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = "OrvelTestDesktop";
  RegisterClassA(&wc);
  return CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, r.left, r.top, r.right - r.left,
                         r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
}

class TwoMonitors : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::vector<RECT> others = SecondaryMonitors();
    ASSERT_EQ(others.size(), 1u) << "needs a display of two monitors: scripts/wine-run --two-monitors";
    second_ = others[0];
    desktop_ = WhiteWindowOver(second_);
    ASSERT_NE(desktop_, nullptr);
    const POINT centre[] = {Centre()};
    ASSERT_TRUE(WaitForScreenColour(centre, 1, RGB(255, 255, 255)));
  }
  void TearDown() override {
    if (desktop_) DestroyWindow(desktop_);
  }

  POINT Centre() const { return {(second_.left + second_.right) / 2, (second_.top + second_.bottom) / 2}; }

  // Starts a full-screen run of the blue video; its window once the second monitor is covered.
  HWND StartRun(SaverProcess& saver) {
    HWND window = saver.WaitForWindow(kWaitTime);
    if (window == nullptr) return nullptr;
    const int w = second_.right - second_.left, h = second_.bottom - second_.top;
    const POINT points[] = {Centre(),
                            {second_.left + 3, second_.top + 3},
                            {second_.right - 3, second_.bottom - 3},
                            {second_.left + w / 4, second_.top + h / 4}};
    EXPECT_TRUE(WaitForScreenColour(points, 4, RGB(0, 0, 0))) << "the second monitor is not covered";
    const POINT primary[] = {{GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2}};
    EXPECT_TRUE(WaitForScreenColour(primary, 1, RGB(0, 0, 255))) << "the primary monitor lost its picture";
    return window;
  }

  // A click in the middle of the second monitor ends the run.
  static void ClickAt(POINT p) {
    SetCursorPos(p.x, p.y);
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
  }

  RECT second_ = {};
  HWND desktop_ = nullptr;
  StoredOptions stored_{OneTileGridOf(RunInput("solid_blue.avi"))};
  ScopedRegistryValue monitors_{HKEY_CURRENT_USER, kSettingsKeyPath, kMonitorsValueName};
};

TEST_F(TwoMonitors, TheSecondMonitorIsBlackAndAClickThereEndsTheRun) {
  monitors_.WriteNumber(kMonitorsPrimaryOnly);
  SaverProcess saver("/s");
  HWND window = StartRun(saver);
  ASSERT_NE(window, nullptr);
  HWND cover = saver.FindTopWindow("QuordaCoverClass", nullptr, true);
  ASSERT_NE(cover, nullptr);
  RECT r;
  GetWindowRect(cover, &r);
  EXPECT_TRUE(EqualRect(&r, &second_)) << "the cover is not the monitor's rectangle";
  EXPECT_FALSE(saver.WaitForExit(500)) << "the run ended before any input";

  ClickAt(Centre());
  DWORD code = 1234;
  ASSERT_TRUE(saver.WaitForExit(kWaitTime, &code)) << "a click on the second monitor did not end the run";
  EXPECT_EQ(code, 0u);
  EXPECT_FALSE(IsWindow(cover));
}

TEST_F(TwoMonitors, MovesOverTheSecondMonitorCountWithThoseOfThePrimary) {
  monitors_.WriteNumber(kMonitorsPrimaryOnly);
  SaverProcess saver("/s");
  HWND window = StartRun(saver);
  ASSERT_NE(window, nullptr);
  HWND cover = saver.FindTopWindow("QuordaCoverClass", nullptr, true);
  ASSERT_NE(cover, nullptr);
  // Two distinct positions on each monitor: at most five with the one the system may report
  // when the windows appear, so the run goes on.
  PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  PostMessageA(cover, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
  PostMessageA(cover, WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
  EXPECT_FALSE(saver.WaitForExit(1000)) << "four positions ended the run";
  // The same client position on the cover is another screen position: three more are counted.
  PostMessageA(cover, WM_MOUSEMOVE, 0, MAKELPARAM(30, 10));
  PostMessageA(cover, WM_MOUSEMOVE, 0, MAKELPARAM(40, 10));
  PostMessageA(cover, WM_MOUSEMOVE, 0, MAKELPARAM(50, 10));
  DWORD code = 1234;
  EXPECT_TRUE(saver.WaitForExit(kWaitTime, &code)) << "seven distinct positions did not end the run";
  EXPECT_EQ(code, 0u);
}

// A video red at the left and blue at the right in one screen-filling tile, in each choice:
// where the red and the blue come out on the two monitors, then a click on the second one.
TEST_F(TwoMonitors, EachChoiceShowsThePictureWhereItSays) {
  const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255), black = RGB(0, 0, 0);
  const int primaryWidth = GetSystemMetrics(SM_CXSCREEN), primaryHeight = GetSystemMetrics(SM_CYSCREEN);
  const int secondWidth = second_.right - second_.left, secondHeight = second_.bottom - second_.top;
  // A quarter of the way in from each side of each monitor.
  const POINT primaryLeft = {primaryWidth / 4, primaryHeight / 2},
              primaryRight = {primaryWidth * 3 / 4, primaryHeight / 2};
  const POINT secondLeft = {second_.left + secondWidth / 4, second_.top + secondHeight / 2};
  const POINT secondRight = {second_.left + secondWidth * 3 / 4, second_.top + secondHeight / 2};
  // And the far corners: each monitor filled to its edges.
  const POINT primaryCorner = {primaryWidth - 6, primaryHeight - 6};
  const POINT secondCorner = {second_.right - 6, second_.bottom - 6};
  struct Case {
    int32_t choice;
    COLORREF primaryLeft, primaryRight, secondLeft, secondRight, secondCorner;
  };
  // Across both, the picture's middle lies on the first monitor (the second one is the
  // narrower): the first shows red with some blue at its right, the second only blue.
  const Case cases[] = {{kMonitorsPrimaryOnly, red, blue, black, black, black},
                        {kMonitorsSameOnEach, red, blue, red, blue, blue},
                        {kMonitorsAcross, red, red, blue, blue, blue}};
  const StoredOptions halves(OneTileGridOf(RunInput("halves.avi")));
  for (const Case& c : cases) {
    SCOPED_TRACE("monitors choice " + std::to_string(c.choice));
    monitors_.WriteNumber(DWORD(c.choice));
    SaverProcess saver("/s");
    HWND window = saver.WaitForWindow(kWaitTime);
    ASSERT_NE(window, nullptr);
    const struct {
      POINT at;
      COLORREF want;
    } checks[] = {{primaryLeft, c.primaryLeft}, {primaryRight, c.primaryRight}, {primaryCorner, blue},
                  {secondLeft, c.secondLeft},   {secondRight, c.secondRight},   {secondCorner, c.secondCorner}};
    for (const auto& check : checks)
      EXPECT_TRUE(WaitForScreenColour(&check.at, 1, check.want))
          << "at " << check.at.x << "," << check.at.y << " not " << std::hex << check.want;
    // The windows and the device follow a new layout (here the same one) and the run goes on.
    PostMessageA(window, WM_DISPLAYCHANGE, 24,
                 MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
    for (const auto& check : checks)
      EXPECT_TRUE(WaitForScreenColour(&check.at, 1, check.want)) << "after the layout change, at " << check.at.x;
    EXPECT_FALSE(saver.WaitForExit(300)) << "the run ended before any input";
    ClickAt(Centre());
    DWORD code = 1234;
    EXPECT_TRUE(saver.WaitForExit(kWaitTime, &code)) << "a click on the second monitor did not end the run";
    EXPECT_EQ(code, 0u);
  }
}

}  // namespace
