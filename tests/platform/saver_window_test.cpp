// The saver window's input rules, through real messages to a real window.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/scoped_win.h"
#include "shell/password_win.h"
#include "shell/saver_input.h"
#include "shell/saver_window_win.h"

namespace {

LPARAM Point(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

// Takes a pending WM_CLOSE for the window off the queue; true when there was one.
bool TakeClose(HWND window) {
  MSG msg;
  return PeekMessageA(&msg, window, WM_CLOSE, WM_CLOSE, PM_REMOVE) != 0;
}

class SaverWindowTest : public ::testing::Test {
 protected:
  void Create(SaverMode mode) {
    saverMode = mode;
    mouseMoveCount = 0;
    lastMousePos = {-1, -1};
    verifyPassword = nullptr;
    verifyingPassword = false;
    if (mode == SaverMode::Preview) {
      host_ = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 150, nullptr, nullptr,
                              nullptr, nullptr);
      hostWindow = host_;
    }
    window_ = CreateSaverWindow();
    ASSERT_NE(window_, nullptr);
  }

  void TearDown() override {
    if (IsWindow(window_)) DestroyWindow(window_);
    if (host_) DestroyWindow(host_);
    hostWindow = nullptr;
    saverWindow = nullptr;
    // The quit message that WM_DESTROY posted must not leak into the next test.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageA(window_, message, wParam, lParam);
  }

  HWND window_ = nullptr;
  HWND host_ = nullptr;
};

class FullScreenWindowTest : public SaverWindowTest, public ::testing::WithParamInterface<SaverMode> {};

TEST_P(FullScreenWindowTest, SixthDistinctPositionEndsTheRun) {
  Create(GetParam());
  const POINT points[] = {{10, 10}, {11, 10}, {11, 12}, {-5, 300}, {0, 0}};
  for (const POINT& p : points) {
    Send(WM_MOUSEMOVE, 0, Point(p.x, p.y));
    Send(WM_MOUSEMOVE, 0, Point(p.x, p.y));  // the same position again counts nothing
    EXPECT_FALSE(TakeClose(window_)) << "at " << p.x << "," << p.y;
  }
  EXPECT_EQ(mouseMoveCount, 5u);
  Send(WM_MOUSEMOVE, 0, Point(700, 500));
  EXPECT_TRUE(TakeClose(window_));
}

TEST_P(FullScreenWindowTest, RepeatedPositionNeverCounts) {
  Create(GetParam());
  for (int i = 0; i < 50; ++i) Send(WM_MOUSEMOVE, 0, Point(33, 44));
  EXPECT_EQ(mouseMoveCount, 1u);
  EXPECT_FALSE(TakeClose(window_));
  // The first position the process ever sees is compared with (-1, -1).
  lastMousePos = {-1, -1};
  mouseMoveCount = 0;
  Send(WM_MOUSEMOVE, 0, Point(-1, -1));
  EXPECT_EQ(mouseMoveCount, 0u);
}

TEST_P(FullScreenWindowTest, KeysAndButtonsEndTheRun) {
  Create(GetParam());
  const UINT ending[] = {WM_KEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
  for (UINT message : ending) {
    Send(message, message == WM_KEYDOWN ? VK_SPACE : 0, Point(5, 5));
    EXPECT_TRUE(TakeClose(window_)) << "message " << message;
  }
  const UINT ignored[] = {WM_KEYUP, WM_SYSKEYDOWN, WM_LBUTTONUP, WM_MOUSEWHEEL, WM_ACTIVATE};
  for (UINT message : ignored) {
    Send(message, 0, 0);
    EXPECT_FALSE(TakeClose(window_)) << "message " << message;
  }
}

TEST_P(FullScreenWindowTest, SwallowedSystemCommandsKeepTheWindow) {
  Create(GetParam());
  const WPARAM swallowed[] = {SC_CLOSE, SC_NEXTWINDOW, SC_PREVWINDOW, SC_SCREENSAVE};
  for (WPARAM command : swallowed) {
    EXPECT_EQ(Send(WM_SYSCOMMAND, command, 0), 0);
    EXPECT_TRUE(IsWindow(window_)) << "command " << std::hex << command;
    EXPECT_FALSE(TakeClose(window_));
  }
  // Alt+F4 reaches the window as WM_CLOSE only through SC_CLOSE, which is swallowed above.
}

TEST_P(FullScreenWindowTest, SuspendEndsTheRunUnlessAVerifierIsLoaded) {
  Create(GetParam());
  Send(WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
  EXPECT_TRUE(TakeClose(window_));
  Send(WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
  EXPECT_FALSE(TakeClose(window_));
}

TEST_P(FullScreenWindowTest, CursorIsRemovedAndBackgroundNotErased) {
  Create(GetParam());
  EXPECT_EQ(Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(window_), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), 1);
  EXPECT_EQ(GetCursor(), nullptr);
  const ScopedWindowDc dc(window_);
  EXPECT_EQ(Send(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.Get()), 0), 1);
}

TEST_P(FullScreenWindowTest, WindowIsAHiddenScreenSizedPopup) {
  Create(GetParam());
  EXPECT_FALSE(IsWindowVisible(window_));
  RECT rect;
  GetWindowRect(window_, &rect);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 0);
  EXPECT_EQ(rect.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(rect.bottom, GetSystemMetrics(SM_CYSCREEN));
  const LONG style = GetWindowLongA(window_, GWL_STYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_TRUE(GetWindowLongA(window_, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_TRUE(GetWindowLongA(window_, GWL_EXSTYLE) & WS_EX_TOPMOST);
  char title[64] = {};
  GetWindowTextA(window_, title, sizeof(title));
  EXPECT_STREQ(title, "Or vel Screen 1.0");
}

TEST_P(FullScreenWindowTest, DestroyingTheWindowPostsQuit) {
  Create(GetParam());
  Send(WM_KEYDOWN, VK_ESCAPE, 0);
  MSG msg;
  bool quit = false;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quit = true;
      EXPECT_EQ(msg.wParam, 0u);
      break;
    }
    DispatchMessageA(&msg);
  }
  EXPECT_TRUE(quit);
  EXPECT_FALSE(IsWindow(window_));
}

INSTANTIATE_TEST_SUITE_P(Modes, FullScreenWindowTest, ::testing::Values(SaverMode::Saver, SaverMode::Test),
                         [](const auto& info) { return info.param == SaverMode::Saver ? "Saver" : "Test"; });

TEST_F(SaverWindowTest, PreviewIgnoresInputButNotSuspend) {
  Create(SaverMode::Preview);
  for (int i = 0; i < 10; ++i) Send(WM_MOUSEMOVE, 0, Point(i, i));
  Send(WM_KEYDOWN, VK_SPACE, 0);
  Send(WM_LBUTTONDOWN, 0, 0);
  EXPECT_FALSE(TakeClose(window_));
  EXPECT_EQ(mouseMoveCount, 0u);
  Send(WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
  EXPECT_TRUE(TakeClose(window_));
}

TEST_F(SaverWindowTest, PreviewIsAVisibleChildCoveringTheHostClientArea) {
  Create(SaverMode::Preview);
  EXPECT_EQ(GetParent(window_), host_);
  EXPECT_TRUE(GetWindowLongA(window_, GWL_STYLE) & WS_CHILD);
  EXPECT_TRUE(IsWindowVisible(window_));
  RECT host, child;
  GetClientRect(host_, &host);
  GetClientRect(window_, &child);
  EXPECT_EQ(child.right, host.right);
  EXPECT_EQ(child.bottom, host.bottom);
}

TEST_F(SaverWindowTest, PreviewWithoutAHostWindowCreatesNothing) {
  saverMode = SaverMode::Preview;
  hostWindow = nullptr;
  EXPECT_EQ(CreateSaverWindow(), nullptr);
  hostWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x7fff0000));  // not a window
  EXPECT_EQ(CreateSaverWindow(), nullptr);
}

}  // namespace
