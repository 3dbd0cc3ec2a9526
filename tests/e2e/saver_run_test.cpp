// orvel.scr really running: the screen (or the host's box) shows the video, input ends it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "saver_process.h"
#include "stand_in_folder.h"
#include "settings/options_record.h"

namespace {

const char kSettingsKey[] = "Software\\Quorda\\Orvel Screen 1.0";

// Puts a settings record in the real key for one test and restores what was there.
class StoredOptions {
 public:
  explicit StoredOptions(const SaverOptions& options) {
    RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    DWORD size = sizeof(saved_);
    hadValue_ = RegQueryValueExA(key_, "Options", nullptr, nullptr, saved_, &size) == ERROR_SUCCESS;
    savedSize_ = size;
    RegSetValueExA(key_, "Options", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&options), sizeof(options));
  }
  ~StoredOptions() {
    if (hadValue_)
      RegSetValueExA(key_, "Options", 0, REG_BINARY, saved_, savedSize_);
    else
      RegDeleteValueA(key_, "Options");
    RegCloseKey(key_);
  }
  StoredOptions(const StoredOptions&) = delete;
  StoredOptions& operator=(const StoredOptions&) = delete;

 private:
  HKEY key_ = nullptr;
  BYTE saved_[4096] = {};
  DWORD savedSize_ = 0;
  bool hadValue_ = false;
};

std::string RunInput(const char* name) {
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, sizeof(exe));
  std::string path(exe);
  path.resize(path.find_last_of('\\') + 1);
  return path + "run-inputs\\" + name;
}

SaverOptions GridOf(const std::string& video) {
  SaverOptions o;
  std::memset(&o, 0, sizeof(o));
  SetDefaultOptions(o);
  o.shape = 2;
  o.gridColumns = 1;
  o.gridRows = 1;
  o.videoFiles1[video.copy(o.videoFiles1, kVideoPathMaxLength)] = '\0';
  return o;
}

bool ScreenShows(int x, int y, COLORREF want) {
  HDC screen = GetDC(nullptr);
  const COLORREF got = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return std::abs(int(GetRValue(got)) - int(GetRValue(want))) < 40 &&
         std::abs(int(GetGValue(got)) - int(GetGValue(want))) < 40 &&
         std::abs(int(GetBValue(got)) - int(GetBValue(want))) < 40;
}

// Waits until every point shows the colour; the bound only keeps a broken build from
// hanging the run.
bool WaitForColour(const POINT* points, int count, COLORREF want, DWORD bound = 15000) {
  const DWORD start = GetTickCount();
  do {
    bool all = true;
    for (int i = 0; i < count && all; ++i) all = ScreenShows(points[i].x, points[i].y, want);
    if (all) return true;
    PumpFor(50);
  } while (GetTickCount() - start < bound);
  HDC screen = GetDC(nullptr);
  for (int i = 0; i < count; ++i)
    ADD_FAILURE() << "at " << points[i].x << "," << points[i].y << " the screen shows 0x" << std::hex
                  << GetPixel(screen, points[i].x, points[i].y);
  ReleaseDC(nullptr, screen);
  return false;
}

TEST(SaverRun, FullScreenGridCoversTheScreenWithTheVideo) {
  StoredOptions stored(GridOf(RunInput("solid_blue.avi")));
  SaverProcess saver("/s");
  HWND window = saver.WaitForWindow(20000);
  ASSERT_NE(window, nullptr);

  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  const POINT points[] = {{w / 2, h / 2}, {5, 5}, {w - 5, 5}, {5, h - 5}, {w - 5, h - 5}};
  EXPECT_TRUE(WaitForColour(points, 5, RGB(0, 0, 255)));

  PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
  DWORD code = 1234;
  ASSERT_TRUE(saver.WaitForExit(10000, &code));
  EXPECT_EQ(code, 0u);
}

TEST(SaverRun, NoPlayableVideoShowsTheNoticeAndEnds) {
  SaverOptions o = GridOf("Z:\\no\\such\\video.avi");
  StoredOptions stored(o);
  // A copy of orvel.scr in a folder without the sample video: the fallback finds nothing.
  StandInFolder folder;
  ASSERT_TRUE(folder.ok());
  auto saver = folder.Start("/s");

  HWND box = nullptr;
  for (int i = 0; i < 300 && box == nullptr; ++i) {
    PumpFor(50);
    box = FindWindowA(nullptr, "Or vel Screen Notice");
  }
  ASSERT_NE(box, nullptr) << "the notice box did not appear";
  char text[1024] = {};
  HWND label = FindWindowExA(box, nullptr, "Static", nullptr);
  while (label && GetDlgCtrlID(label) != 0xFFFF) label = FindWindowExA(box, label, "Static", nullptr);
  if (label) GetWindowTextA(label, text, sizeof(text));
  EXPECT_NE(std::strstr(text, "Cannot find any playable video files!"), nullptr) << text;
  PostMessageA(box, WM_COMMAND, IDOK, 0);

  DWORD code = 1234;
  ASSERT_TRUE(saver->WaitForExit(10000, &code));
  EXPECT_EQ(code, 0u);
}

}  // namespace
