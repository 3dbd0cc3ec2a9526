// orvel.scr on today's desktops: over always-on-top windows, and at a scaled display (Wine's
// LogPixels), where the settings dialog and its video list still lay out. Test thread only.
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

// A dialog's outer size and whether every control lies inside its client area, with the
// display set to a number of DPI for the run of orvel.scr /c.
struct DialogLayout {
  bool found = false;
  SIZE size = {};
  std::vector<std::string> outside;  // class and id of each control that sticks out
  std::vector<std::string> covered;  // "id on id" for each control a newer control touches
};

// Controls that came later than the rest: they must not lie on any other control, nor on
// each other. The settings dialog's bottom rows; the video list's "Folder..." column.
const int kNewerSettingsControls[] = {IDC_MONITORS_LABEL, IDC_MONITORS, IDC_SHUFFLE, IDC_DETAIL_LABEL, IDC_DETAIL};
const int kNewerVideoListControls[] = {IDC_VIDEO_FOLDER1, IDC_VIDEO_FOLDER2, IDC_VIDEO_FOLDER3, IDC_VIDEO_FOLDER4,
                                       IDC_VIDEO_FOLDER5, IDC_VIDEO_FOLDER6, IDC_VIDEO_FOLDER7, IDC_VIDEO_FOLDER8,
                                       IDC_VIDEO_FOLDER9, IDC_VIDEO_FOLDER10};

template <std::size_t N>
void CheckNewerControls(HWND dialog, const int (&ids)[N], DialogLayout& layout) {
  for (int id : ids) {
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

template <std::size_t N>
DialogLayout LayoutOf(HWND dialog, const int (&newer)[N]) {
  DialogLayout layout;
  if (dialog == nullptr) return layout;
  layout.found = true;
  RECT outer, client;
  GetWindowRect(dialog, &outer);
  GetClientRect(dialog, &client);
  MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
  layout.size = {outer.right - outer.left, outer.bottom - outer.top};
  std::pair<RECT, DialogLayout*> param{client, &layout};
  EnumChildWindows(dialog, CheckControl, reinterpret_cast<LPARAM>(&param));
  CheckNewerControls(dialog, newer, layout);
  return layout;
}

struct SettingsLayouts {
  DialogLayout settings, videoList;
};

// The settings dialog and the video list it opens.
SettingsLayouts SettingsDialogsAt(DWORD dpi) {
  ScopedRegistryValue logPixels(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels");
  logPixels.WriteNumber(dpi);
  SettingsLayouts layouts;
  SaverProcess saver("/c");
  HWND dialog = nullptr;
  WaitPumping([&] { return (dialog = saver.FindTopWindow(nullptr, "Or vel screen 1.0  Settings", true)) != nullptr; },
              kWaitTime);
  if (dialog == nullptr) return layouts;
  layouts.settings = LayoutOf(dialog, kNewerSettingsControls);
  PostMessageA(GetDlgItem(dialog, IDC_ADD_VIDEOS), BM_CLICK, 0, 0);
  HWND list = nullptr;
  WaitPumping([&] { return (list = saver.FindTopWindow(nullptr, "Choose your favorite videos", true)) != nullptr; },
              kWaitTime);
  layouts.videoList = LayoutOf(list, kNewerVideoListControls);
  if (list != nullptr) PostMessageA(list, WM_COMMAND, IDCANCEL, 0);
  WaitPumping([&] { return !IsWindow(list); }, kWaitTime);
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  saver.WaitForExit(kWaitTime);
  return layouts;
}

TEST(Desktop, SettingsDialogsLayOutAt96And144Dpi) {
  const SettingsLayouts normal = SettingsDialogsAt(96);
  const SettingsLayouts scaled = SettingsDialogsAt(144);
  const struct {
    const char* name;
    const DialogLayout &normal, &scaled;
  } dialogs[] = {{"settings", normal.settings, scaled.settings}, {"video list", normal.videoList, scaled.videoList}};
  for (const auto& d : dialogs) {
    SCOPED_TRACE(d.name);
    ASSERT_TRUE(d.normal.found);
    ASSERT_TRUE(d.scaled.found);
    EXPECT_EQ(d.normal.outside, std::vector<std::string>{});
    EXPECT_EQ(d.scaled.outside, std::vector<std::string>{});
    EXPECT_EQ(d.normal.covered, std::vector<std::string>{});
    EXPECT_EQ(d.scaled.covered, std::vector<std::string>{});
    // The larger system font makes the whole dialog larger: the setting reached the program.
    EXPECT_GT(d.scaled.size.cx, d.normal.size.cx * 5 / 4);
    EXPECT_GT(d.scaled.size.cy, d.normal.size.cy * 5 / 4);
  }
}

}  // namespace
