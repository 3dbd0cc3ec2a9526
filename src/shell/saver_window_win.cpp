// The saver window: class, creation per mode and the window procedure, which carries out
// the input rules decided in saver_input.cpp. Main thread only; the window procedure is
// also entered from the password prompt's modal loop.
#include "shell/saver_window_win.h"

#include "shell/monitor_covers_win.h"
#include "shell/password_win.h"
#include "shell/saver_input.h"

SaverMode saverMode = SaverMode::Config;
HWND hostWindow = nullptr;
HWND saverWindow = nullptr;
bool displayChanged = false;

const char kSaverWindowTitle[] = "Or vel Screen 1.0";

SaverMode ParseCommandLine(const char* commandLine) {
  const SaverArguments args = ParseSaverArguments(commandLine);
  hostWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(args.hostWindow));
  return args.mode;
}

// The classes, windows and resources are the program module's, GetModuleHandleA(nullptr): the
// instance WinMain is given, and in a test program the test's, which links the same resources.
static void RegisterSaverClass() {
  WNDCLASSA wc = {};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = SaverWindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hIcon = LoadIconA(wc.hInstance, MAKEINTRESOURCEA(1));
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = kSaverWindowClass;
  RegisterClassA(&wc);  // a class left over from an earlier window in this process is fine
}

HWND CreateSaverWindow() {
  RegisterSaverClass();
  if (saverMode == SaverMode::Preview) {
    RECT rect = {};
    if (!GetClientRect(hostWindow, &rect)) return nullptr;  // no number, or not a window
    const DWORD style = WS_CHILD | WS_VISIBLE;
    AdjustWindowRect(&rect, style, FALSE);
    saverWindow =
        CreateWindowExA(0, kSaverWindowClass, kSaverWindowTitle, style, rect.left, rect.top, rect.right - rect.left,
                        rect.bottom - rect.top, hostWindow, nullptr, GetModuleHandleA(nullptr), nullptr);
    return saverWindow;
  }
  if (IsFullScreenMode(saverMode)) {
    // Topmost, so that no always-on-top window of another program sits over the saver.
    saverWindow = CreateWindowExA(WS_EX_APPWINDOW | WS_EX_TOPMOST, kSaverWindowClass, kSaverWindowTitle,
                                  WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                                  GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (saverWindow != nullptr) CreateMonitorCovers();
    return saverWindow;
  }
  return nullptr;
}

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DISPLAYCHANGE) displayChanged = true;
  if (message == WM_MOUSEMOVE && IsFullScreenMode(saverMode)) lParam = MouseToScreen(window, lParam);
  const WindowRuleState state = {saverMode, verifyingPassword, verifyPassword != nullptr};
  const InputDecision d = DecideWindowMessage(state, message, wParam, lParam);
  if (d.postQuit) PostQuitMessage(0);
  if (d.removeCursor) SetCursor(nullptr);
  if (d.askToClose && MayCloseSaver()) PostMessageA(window, WM_CLOSE, 0, 0);
  if (d.postClose) PostMessageA(window, WM_CLOSE, 0, 0);
  if (!d.callDefault) return d.result;
  return DefWindowProcA(window, message, wParam, lParam);
}
