// orvel.scr started with the host's command lines: windows, single instance, ending.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/product_names.h"
#include "saver_process.h"

namespace {

constexpr DWORD kStartTime = 15000;  // bounds against a hang, not timing assertions
constexpr DWORD kEndTime = 10000;

TEST(SaverModes, FullScreenRunCoversTheScreenAndEndsOnInput) {
  SaverProcess saver("/s");
  ASSERT_TRUE(saver.started());
  HWND window = saver.WaitForWindow(kStartTime);
  ASSERT_NE(window, nullptr);

  RECT rect;
  GetWindowRect(window, &rect);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 0);
  EXPECT_EQ(rect.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(rect.bottom, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_TRUE(GetWindowLongA(window, GWL_STYLE) & WS_POPUP);
  char title[64] = {};
  GetWindowTextA(window, title, sizeof(title));
  EXPECT_STREQ(title, "Or vel Screen 1.0");

  PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
  DWORD code = 1234;
  ASSERT_TRUE(saver.WaitForExit(kEndTime, &code));
  EXPECT_EQ(code, 0u);
}

TEST(SaverModes, SixthMousePositionEndsATestRun) {
  // The system reports where the pointer stands when the window appears; that position is
  // the first of the five, so the pointer is put there first.
  SetCursorPos(100, 100);
  SaverProcess saver("/t");
  HWND window = saver.WaitForWindow(kStartTime);
  ASSERT_NE(window, nullptr);
  PumpFor(300);
  for (int i = 0; i < 5; ++i) PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(100 + i, 100));
  PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(saver.WaitForExit(1500)) << "five positions and Alt+F4 must not end the run";
  PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(400, 300));
  DWORD code = 1234;
  ASSERT_TRUE(saver.WaitForExit(kEndTime, &code));
  EXPECT_EQ(code, 0u);
}

TEST(SaverModes, SecondFullScreenRunEndsAtOnce) {
  SaverProcess first("/s");
  HWND window = first.WaitForWindow(kStartTime);
  ASSERT_NE(window, nullptr);

  SaverProcess second("/s");
  DWORD code = 1234;
  ASSERT_TRUE(second.WaitForExit(kEndTime, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(IsWindow(window)) << "the first run goes on";

  PostMessageA(window, WM_LBUTTONDOWN, 0, 0);
  ASSERT_TRUE(first.WaitForExit(kEndTime, &code));
  EXPECT_EQ(code, 0u);
}

LRESULT CALLBACK HostProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

HWND CreateHostWindow() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = HostProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "OrvelTestHost";
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  RegisterClassA(&wc);
  return CreateWindowExA(0, "OrvelTestHost", "preview host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 320, 240,
                         nullptr, nullptr, wc.hInstance, nullptr);
}

TEST(SaverModes, PreviewFillsTheHostAndEndsWithIt) {
  HWND host = CreateHostWindow();
  ASSERT_NE(host, nullptr);
  SaverProcess saver("/p " + std::to_string(reinterpret_cast<UINT_PTR>(host)));

  // The child can be found while it is still being created; it is shown at the end of it.
  HWND child = nullptr;
  WaitPumping([&] {
    child = FindWindowExA(host, nullptr, kSaverWindowClass, nullptr);
    return child != nullptr && IsWindowVisible(child);
  });
  ASSERT_NE(child, nullptr);
  EXPECT_TRUE(IsWindowVisible(child));
  RECT hostRect, childRect;
  GetClientRect(host, &hostRect);
  GetClientRect(child, &childRect);
  EXPECT_EQ(childRect.right, hostRect.right);
  EXPECT_EQ(childRect.bottom, hostRect.bottom);

  // Input does not end a preview.
  PostMessageA(child, WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_FALSE(saver.WaitForExit(1000));

  DestroyWindow(host);
  DWORD code = 1234;
  ASSERT_TRUE(saver.WaitForExit(kEndTime, &code));
  EXPECT_EQ(code, 0u);
}

TEST(SaverModes, PreviewWithoutAWindowNumberEndsSilently) {
  const char* lines[] = {"/p", "/p 0", "/p 99999999999999999999"};
  for (const char* line : lines) {
    SaverProcess saver(line);
    DWORD code = 1234;
    ASSERT_TRUE(saver.WaitForExit(kEndTime, &code)) << line;
    EXPECT_EQ(code, 0u) << line;
  }
}

}  // namespace
