// orvel.scr on a display of two monitors (run by scripts/wine-run --two-monitors): the second
// monitor is blacked out by a cover of the saver's, and input there ends the run by the
// saver window's rules. Test thread only.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "saver_process.h"
#include "saver_screen.h"

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

  RECT second_ = {};
  HWND desktop_ = nullptr;
  StoredOptions stored_{OneTileGridOf(RunInput("solid_blue.avi"))};
};

TEST_F(TwoMonitors, TheSecondMonitorIsBlackAndAClickThereEndsTheRun) {
  SaverProcess saver("/s");
  HWND window = StartRun(saver);
  ASSERT_NE(window, nullptr);
  HWND cover = saver.FindTopWindow("QuordaCoverClass", nullptr, true);
  ASSERT_NE(cover, nullptr);
  RECT r;
  GetWindowRect(cover, &r);
  EXPECT_TRUE(EqualRect(&r, &second_)) << "the cover is not the monitor's rectangle";
  EXPECT_FALSE(saver.WaitForExit(500)) << "the run ended before any input";

  const POINT click = Centre();
  SetCursorPos(click.x, click.y);
  mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
  mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
  DWORD code = 1234;
  ASSERT_TRUE(saver.WaitForExit(kWaitTime, &code)) << "a click on the second monitor did not end the run";
  EXPECT_EQ(code, 0u);
  EXPECT_FALSE(IsWindow(cover));
}

TEST_F(TwoMonitors, MovesOverTheSecondMonitorCountWithThoseOfThePrimary) {
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

}  // namespace
