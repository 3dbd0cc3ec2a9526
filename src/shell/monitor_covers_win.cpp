// The covers of the monitors. Main thread only; their procedure is also entered from the
// password prompt's modal loop.
#include "shell/monitor_covers_win.h"

#include <algorithm>

#include "shell/monitor_api_win.h"
#include "shell/password_win.h"
#include "shell/saver_input.h"
#include "shell/saver_window_win.h"

const char kMonitorCoverClass[] = "QuordaCoverClass";
std::vector<HWND> monitorCovers;

namespace {

HWND MakeCover(const RECT& r) {
  return CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kMonitorCoverClass, kSaverWindowTitle, WS_POPUP, r.left,
                         r.top, r.right - r.left, r.bottom - r.top, saverWindow, nullptr, GetModuleHandleA(nullptr),
                         nullptr);
}

BOOL CALLBACK AddCover(HMONITOR monitor, HDC, LPRECT, LPARAM) {
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  if (!ReadMonitorInfo(monitor, &info) || (info.dwFlags & MONITORINFOF_PRIMARY)) return TRUE;
  HWND cover = MakeCover(info.rcMonitor);
  if (cover != nullptr) monitorCovers.push_back(cover);
  return TRUE;
}

void ShowCover(HWND cover) {
  if (cover == nullptr || !IsWindow(cover)) return;
  SetWindowPos(cover, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  UpdateWindow(cover);
}

void RegisterCoverClass() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = MonitorCoverProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);  // shown only while the password prompt is up
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = kMonitorCoverClass;
  RegisterClassA(&wc);  // a class left over from an earlier run in this process is fine
}

// The first cover to show once saverWindow shows the scene: none when the scene spans every
// monitor, the second (the first that is not the primary monitor's) otherwise.
size_t FirstCoverBesideScene(bool sceneSpans) { return sceneSpans ? monitorCovers.size() : 1; }

}  // namespace

LPARAM MouseToScreen(HWND window, LPARAM lParam) {
  POINT p = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  ClientToScreen(window, &p);
  return MAKELPARAM(static_cast<short>(p.x), static_cast<short>(p.y));
}

void CreateMonitorCovers() {
  monitorCovers.clear();
  RegisterCoverClass();
  const RECT primary = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  monitorCovers.push_back(MakeCover(primary));
  EnumerateMonitors(AddCover, 0);
}

void ShowMonitorCovers() {
  for (HWND cover : monitorCovers) ShowCover(cover);
  HWND primary = monitorCovers.empty() ? nullptr : monitorCovers.front();
  if (primary != nullptr && IsWindow(primary)) SetForegroundWindow(primary);
}

void HideCoversUnderScene(bool sceneSpans) {
  const size_t end = std::min(FirstCoverBesideScene(sceneSpans), monitorCovers.size());
  for (size_t i = 0; i < end; ++i)
    if (monitorCovers[i] != nullptr) ShowWindow(monitorCovers[i], SW_HIDE);
}

void FollowMonitorLayout(bool show, bool sceneSpans) {
  const std::vector<HWND> old = monitorCovers;
  CreateMonitorCovers();
  // Destroying a cover clears its place in the list; the new list is complete by now.
  for (HWND cover : old)
    if (cover != nullptr && IsWindow(cover)) DestroyWindow(cover);
  if (!show) return;
  const bool sceneShown = IsWindowVisible(saverWindow) != FALSE;
  for (size_t i = sceneShown ? FirstCoverBesideScene(sceneSpans) : 0; i < monitorCovers.size(); ++i)
    ShowCover(monitorCovers[i]);
}

LRESULT CALLBACK MonitorCoverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      // Only saverWindow's end ends the run; a cover just leaves the list.
      for (HWND& cover : monitorCovers)
        if (cover == window) cover = nullptr;
      return 0;
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(window, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      return 1;
    }
    case WM_MOUSEMOVE:
      lParam = MouseToScreen(window, lParam);
      break;
    default:
      break;
  }
  const WindowRuleState state = {saverMode, verifyingPassword, verifyPassword != nullptr};
  const InputDecision d = DecideWindowMessage(state, message, wParam, lParam);
  if (d.removeCursor) SetCursor(nullptr);
  if (d.askToClose && MayCloseSaver()) PostMessageA(saverWindow, WM_CLOSE, 0, 0);
  if (d.postClose) PostMessageA(saverWindow, WM_CLOSE, 0, 0);
  if (!d.callDefault) return d.result;
  return DefWindowProcA(window, message, wParam, lParam);
}
