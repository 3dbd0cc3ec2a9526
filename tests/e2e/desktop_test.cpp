// orvel.scr on today's desktops: over always-on-top windows, and at a scaled display (Wine's
// LogPixels), where the settings dialog still lays out. Test thread only.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "resources/resource_ids.h"
#include "saver_process.h"
#include "saver_screen.h"
#include "scoped_registry_value.h"

namespace {

constexpr DWORD kWaitTime = 20000;  // bounds against a hang, not timing assertions

LRESULT CALLBACK PlainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

// A popup of this program filled with `colour`.
HWND ColouredPopup(DWORD exStyle, const RECT& r, COLORREF colour) {
  static int classes = 0;
  char name[32];
  wsprintfA(name, "OrvelTestPopup%d", ++classes);
  WNDCLASSA wc = {};
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = CreateSolidBrush(colour);
  wc.lpszClassName = name;
  RegisterClassA(&wc);
  return CreateWindowExA(exStyle, name, "", WS_POPUP | WS_VISIBLE, r.left, r.top, r.right - r.left, r.bottom - r.top,
                         nullptr, nullptr, wc.hInstance, nullptr);
}

// Whether `upper` comes before `lower` in the system's z-order of top-level windows (on this
// X display Wine shows the window mapped last on top whatever the order, so the screen alone
// does not tell).
bool Above(HWND upper, HWND lower) {
  for (HWND w = GetTopWindow(nullptr); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
    if (w == upper) return true;
    if (w == lower) return false;
  }
  return false;
}

void EndWithAKey(SaverProcess& saver, HWND window) {
  PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
  DWORD code = 1234;
  EXPECT_TRUE(saver.WaitForExit(kWaitTime, &code));
  EXPECT_EQ(code, 0u);
}

TEST(Desktop, TheSaverComesOverAnAlwaysOnTopWindowAndTakesTheKeys) {
  HWND onTop = ColouredPopup(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, RECT{100, 100, 400, 300}, RGB(0, 255, 0));
  ASSERT_NE(onTop, nullptr);
  const POINT inside[] = {{250, 200}};
  ASSERT_TRUE(WaitForScreenColour(inside, 1, RGB(0, 255, 0)));

  StoredOptions stored(OneTileGridOf(RunInput("solid_blue.avi")));
  SaverProcess saver("/s");
  HWND window = saver.WaitForWindow(kWaitTime);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(WaitForScreenColour(inside, 1, RGB(0, 0, 255))) << "the always-on-top window stays over the saver";
  EXPECT_TRUE(Above(window, onTop)) << "the saver is below the always-on-top window in the z-order";
  EXPECT_EQ(GetForegroundWindow(), window);
  EndWithAKey(saver, window);
  DestroyWindow(onTop);
}

// The dialog's outer size and whether every control lies inside its client area, with the
// display set to `dpi` for the run of orvel.scr /c.
struct DialogLayout {
  bool found = false;
  SIZE size = {};
  std::vector<std::string> outside;  // class and id of each control that sticks out
  std::vector<std::string> covered;  // "id on id" for each control a bottom-row control touches
};

// The monitors and picture lists and their labels came last: they must not lie on any other
// control, nor on each other.
void CheckBottomRows(HWND dialog, DialogLayout& layout) {
  for (int id : {IDC_MONITORS_LABEL, IDC_MONITORS, IDC_DETAIL_LABEL, IDC_DETAIL}) {
    HWND mine = GetDlgItem(dialog, id);
    RECT rect;
    GetWindowRect(mine, &rect);
    for (HWND other = GetWindow(dialog, GW_CHILD); other != nullptr; other = GetWindow(other, GW_HWNDNEXT)) {
      if (other == mine) continue;
      RECT r, both;
      GetWindowRect(other, &r);
      if (IntersectRect(&both, &rect, &r))
        layout.covered.push_back(std::to_string(id) + " on " + std::to_string(GetDlgCtrlID(other)));
    }
  }
}

BOOL CALLBACK CheckControl(HWND control, LPARAM param) {
  auto* layout = reinterpret_cast<std::pair<RECT, DialogLayout*>*>(param);
  if (!IsWindowVisible(control)) return TRUE;
  RECT r;
  GetWindowRect(control, &r);
  const RECT& client = layout->first;
  if (r.left < client.left || r.top < client.top || r.right > client.right || r.bottom > client.bottom) {
    char name[64] = {};
    GetClassNameA(control, name, sizeof(name));
    layout->second->outside.push_back(std::string(name) + " " + std::to_string(GetDlgCtrlID(control)));
  }
  return TRUE;
}

DialogLayout SettingsDialogAt(DWORD dpi) {
  ScopedRegistryValue logPixels(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels");
  logPixels.WriteNumber(dpi);
  DialogLayout layout;
  SaverProcess saver("/c");
  HWND dialog = nullptr;
  WaitPumping([&] { return (dialog = saver.FindTopWindow(nullptr, "Or vel screen 1.0  Settings", true)) != nullptr; },
              kWaitTime);
  if (dialog == nullptr) return layout;
  layout.found = true;
  RECT outer, client;
  GetWindowRect(dialog, &outer);
  GetClientRect(dialog, &client);
  MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
  layout.size = {outer.right - outer.left, outer.bottom - outer.top};
  std::pair<RECT, DialogLayout*> param{client, &layout};
  EnumChildWindows(dialog, CheckControl, reinterpret_cast<LPARAM>(&param));
  CheckBottomRows(dialog, layout);
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  saver.WaitForExit(kWaitTime);
  return layout;
}

TEST(Desktop, SettingsDialogLaysOutAt96And144Dpi) {
  const DialogLayout normal = SettingsDialogAt(96);
  const DialogLayout scaled = SettingsDialogAt(144);
  ASSERT_TRUE(normal.found);
  ASSERT_TRUE(scaled.found);
  EXPECT_EQ(normal.outside, std::vector<std::string>{});
  EXPECT_EQ(scaled.outside, std::vector<std::string>{});
  EXPECT_EQ(normal.covered, std::vector<std::string>{});
  EXPECT_EQ(scaled.covered, std::vector<std::string>{});
  // The larger system font makes the whole dialog larger: the setting reached the program.
  EXPECT_GT(scaled.size.cx, normal.size.cx * 5 / 4);
  EXPECT_GT(scaled.size.cy, normal.size.cy * 5 / 4);
}

}  // namespace
