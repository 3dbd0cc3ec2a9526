// orvel.scr really running: the screen (or the host's box) shows the video, input ends it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>
#include <cstring>
#include <string>

#include "base/scoped_win.h"
#include "saver_process.h"
#include "scoped_registry_value.h"
#include "saver_screen.h"
#include "stand_in_folder.h"
#include "avi_writer.h"
#include "settings/options_record.h"

extern bool orvelSeesWindows98;

namespace {

TEST(SaverRun, FullScreenGridCoversTheScreenWithTheVideo) {
  StoredOptions stored(OneTileGridOf(RunInput("solid_blue.avi")));
  SaverProcess saver("/s");
  HWND window = saver.WaitForWindow(20000);
  ASSERT_NE(window, nullptr);

  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  const POINT points[] = {{w / 2, h / 2}, {5, 5}, {w - 5, 5}, {5, h - 5}, {w - 5, h - 5}};
  EXPECT_TRUE(WaitForScreenColour(points, 5, RGB(0, 0, 255)));

  PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
  DWORD code = 1234;
  ASSERT_TRUE(saver.WaitForExit(10000, &code));
  EXPECT_EQ(code, 0u);
}

// The whole screen as 32-bit pixels, top line first.
std::vector<DWORD> GrabScreen(int* width, int* height) {
  *width = GetSystemMetrics(SM_CXSCREEN);
  *height = GetSystemMetrics(SM_CYSCREEN);
  const ScopedWindowDc screen(nullptr);
  HDC memory = CreateCompatibleDC(screen.Get());
  const ScopedGdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.Get(), *width, *height));
  {
    const ScopedSelection selected(memory, bitmap.Get());
    BitBlt(memory, 0, 0, *width, *height, screen.Get(), 0, 0, SRCCOPY);
  }
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = *width;
  info.bmiHeader.biHeight = -*height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> pixels(static_cast<size_t>(*width) * *height);
  GetDIBits(memory, bitmap.Get(), 0, *height, pixels.data(), &info, DIB_RGB_COLORS);
  DeleteDC(memory);
  return pixels;
}

int Red(DWORD p) { return (p >> 16) & 0xFF; }
int Green(DWORD p) { return (p >> 8) & 0xFF; }
int Blue(DWORD p) { return p & 0xFF; }

// Runs orvel.scr /s with `options` until `shows` accepts a screenshot (or the bound runs
// out), then ends it with a key; true when the screen was accepted.
bool RunUntilScreenShows(const SaverOptions& options,
                         const std::function<bool(const std::vector<DWORD>&, int, int)>& shows) {
  StoredOptions stored(options);
  SaverProcess saver("/s");
  HWND window = saver.WaitForWindow(20000);
  if (window == nullptr) return false;
  const bool seen = WaitPumping([&] {
    int w, h;
    const std::vector<DWORD> screen = GrabScreen(&w, &h);
    return shows(screen, w, h);
  });
  PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
  DWORD code = 1234;
  EXPECT_TRUE(saver.WaitForExit(10000, &code));
  EXPECT_EQ(code, 0u);
  return seen;
}

TEST(SaverRun, OneCubeOverTheTintedVideo) {
  SaverOptions o = OneTileGridOf(RunInput("solid_blue.avi"));
  o.shape = 1;
  o.cuboidCount = 1;  // one cube in the middle of the screen
  const bool shown = RunUntilScreenShows(o, [](const std::vector<DWORD>& s, int w, int h) {
    // Around the cube: the blue video multiplied by the background colour (0, 95, 140).
    for (const POINT p : {POINT{10, 10}, POINT{w - 10, 10}, POINT{10, h - 10}, POINT{w - 10, h - 10}}) {
      const DWORD c = s[static_cast<size_t>(p.y) * w + p.x];
      if (Red(c) > 20 || Green(c) > 20 || std::abs(Blue(c) - 140) > 25) return false;
    }
    // The cube: the blue video, lit; never the background's darker blue alone.
    const DWORD centre = s[static_cast<size_t>(h / 2) * w + w / 2];
    return Red(centre) < 40 && Green(centre) < 40 && Blue(centre) > 150;
  });
  EXPECT_TRUE(shown);
}

TEST(SaverRun, StarsCarryTheVideoOnBlack) {
  SaverOptions o = OneTileGridOf(RunInput("solid_green.avi"));
  o.shape = 3;
  o.starCount = 1000;
  const bool shown = RunUntilScreenShows(o, [](const std::vector<DWORD>& s, int, int) {
    size_t black = 0, green = 0, other = 0;
    for (DWORD c : s) {
      if (Red(c) < 30 && Green(c) < 30 && Blue(c) < 30) ++black;
      else if (Red(c) < 60 && Blue(c) < 60 && Green(c) > 100) ++green;
      else ++other;
    }
    // Mostly black sky, a good number of green star pixels, nothing of another colour
    // beyond the blended edges of the stars.
    return black > s.size() / 2 && green > 500 && other < green / 4 + 100;
  });
  EXPECT_TRUE(shown);
}

// MP4 files play whichever way the system has: through DirectShow where it opens them, and
// through Media Foundation where it does not. The second run takes DirectShow's filter graph
// away from the program (Wine is told not to load its library), as on a system without it.
TEST(SaverRun, AnMp4PlaysWithAndWithoutDirectShow) {
  const std::string clip = RunInput("solid_red.mp4");
  ASSERT_NE(GetFileAttributesA(clip.c_str()), INVALID_FILE_ATTRIBUTES) << clip;
  for (const bool withDirectShow : {true, false}) {
    ScopedRegistryValue noDirectShow(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\orvel.scr\\DllOverrides",
                                     "quartz");
    if (!withDirectShow) noDirectShow.WriteText("");
    const bool shown = RunUntilScreenShows(OneTileGridOf(clip), [](const std::vector<DWORD>& s, int w, int h) {
      const DWORD c = s[static_cast<size_t>(h / 2) * w + w / 2];
      return Red(c) > 200 && Green(c) < 40 && Blue(c) < 40;
    });
    EXPECT_TRUE(shown) << (withDirectShow ? "with" : "without") << " DirectShow";
  }
}

// A video of one-pixel black and white columns as large as the screen, in one tile: as sharp
// as the screen, neighbouring pixels keep their full difference; at the standard 256 x 256
// they blur into grey.
TEST(SaverRun, OnePixelStripesStaySharpUnlessTheStandardPictureIsChosen) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  char folder[MAX_PATH] = {};
  ASSERT_NE(GetTempPathA(MAX_PATH, folder), 0u);
  const std::string clip = std::string(folder) + "orvel-stripes.avi";
  {
    AviVideoFormat format;
    format.width = w;
    format.height = h;
    AviWriter writer;
    std::vector<uint8_t> frame(size_t(w) * 3 * h);
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = (i / 3) % 2 ? 255 : 0;
    ASSERT_TRUE(writer.Open(clip, format));
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(writer.AddFrame(frame.data(), size_t(w) * 3));
    ASSERT_TRUE(writer.Close());
  }
  // The largest difference and the mean level of neighbouring pixels along the middle line.
  const auto middle = [](const std::vector<DWORD>& s, int width, int height, int* level) {
    int largest = 0, sum = 0;
    const DWORD* line = &s[size_t(height / 2) * width];
    for (int x = width / 4; x < width * 3 / 4; ++x) {
      largest = std::max(largest, std::abs(Green(line[x]) - Green(line[x + 1])));
      sum += Green(line[x]);
    }
    *level = sum / (width / 2);
    return largest;
  };
  ScopedRegistryValue detail(HKEY_CURRENT_USER, kSettingsKeyPath, kDetailValueName);
  detail.WriteNumber(1);
  EXPECT_TRUE(RunUntilScreenShows(OneTileGridOf(clip), [&](const std::vector<DWORD>& s, int width, int height) {
    int level;
    return middle(s, width, height, &level) > 100;
  })) << "the stripes never showed sharp";
  detail.WriteNumber(0);
  int largest = -1;
  EXPECT_TRUE(RunUntilScreenShows(OneTileGridOf(clip), [&](const std::vector<DWORD>& s, int width, int height) {
    int level;
    largest = middle(s, width, height, &level);
    return level > 100 && level < 155;  // the video's grey is up
  })) << "the video never showed";
  EXPECT_LE(largest, 100) << "the standard picture shows detail that 256 texels cannot hold";
  DeleteFileA(clip.c_str());
}

// Shuffled, every file of the list still gets its turns.
TEST(SaverRun, AShuffledRunShowsEveryFile) {
  SaverOptions o = OneTileGridOf(RunInput("solid_red.avi"));
  const std::string green = RunInput("solid_green.avi"), blue = RunInput("solid_blue.avi");
  o.videoFiles2[green.copy(o.videoFiles2, kVideoPathMaxLength)] = '\0';
  o.videoFiles3[blue.copy(o.videoFiles3, kVideoPathMaxLength)] = '\0';
  ScopedRegistryValue order(HKEY_CURRENT_USER, kSettingsKeyPath, kOrderValueName);
  order.WriteNumber(1);
  bool red = false, greenSeen = false, blueSeen = false;
  EXPECT_TRUE(RunUntilScreenShows(o,
                                  [&](const std::vector<DWORD>& s, int w, int h) {
                                    const DWORD c = s[static_cast<size_t>(h / 2) * w + w / 2];
                                    red = red || (Red(c) > 200 && Green(c) < 40 && Blue(c) < 40);
                                    greenSeen = greenSeen || (Green(c) > 200 && Red(c) < 40 && Blue(c) < 40);
                                    blueSeen = blueSeen || (Blue(c) > 200 && Red(c) < 40 && Green(c) < 40);
                                    return red && greenSeen && blueSeen;
                                  }))
      << "red " << red << ", green " << greenSeen << ", blue " << blueSeen;
}

// A folder in a slot: a red AVI, a blue one named in Japanese (in ASCII where the program
// sees Windows 98, which lists names in the code page only), a text file and a subfolder
// with a green MPEG-1 and a white WMV. Listed, the colours come in name order, the
// subfolder's after the folder's own; shuffled, every one still shows; never a notice.
TEST(SaverRun, AFolderSlotShowsEveryVideoInItInOrderOrShuffled) {
  const std::wstring blueName = orvelSeesWindows98 ? L"\\zblue.avi" : L"\\\u9752\u3044\u52d5\u753b.avi";
  wchar_t temp[MAX_PATH] = {};
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring root = std::wstring(temp) + L"orvel folder slot";
  const std::wstring sub = root + L"\\sub";
  CreateDirectoryW(root.c_str(), nullptr);
  CreateDirectoryW(sub.c_str(), nullptr);
  const auto wide = [](const std::string& s) { return std::wstring(s.begin(), s.end()); };
  const std::pair<std::string, std::wstring> files[] = {
      {RunInput("solid_red.avi"), root + L"\\red.avi"},    {RunInput("solid_blue.avi"), root + blueName},
      {RunInput("solid_green.mpg"), sub + L"\\green.mpg"}, {RunInput("solid_white.wmv"), sub + L"\\white.wmv"},
      {RunInput("solid_red.avi"), root + L"\\notes.txt"},
  };
  for (const auto& [from, to] : files) ASSERT_TRUE(CopyFileW(wide(from).c_str(), to.c_str(), FALSE));
  const struct Tree {
    std::wstring root, sub, blue;
    ~Tree() {
      for (const std::wstring& name : {std::wstring(L"\\red.avi"), blue, std::wstring(L"\\notes.txt")})
        DeleteFileW((root + name).c_str());
      DeleteFileW((sub + L"\\green.mpg").c_str());
      DeleteFileW((sub + L"\\white.wmv").c_str());
      RemoveDirectoryW(sub.c_str());
      RemoveDirectoryW(root.c_str());
    }
  } tree{root, sub, blueName};

  ScopedRegistryValue order(HKEY_CURRENT_USER, kSettingsKeyPath, kOrderValueName);
  for (const int shuffled : {0, 1}) {
    SCOPED_TRACE(shuffled ? "shuffled" : "listed");
    order.WriteNumber(DWORD(shuffled));
    std::string seen;  // each colour's letter at its first showing
    bool notice = false;
    RunUntilScreenShows(OneTileGridOf(std::string(root.begin(), root.end())),
                        [&](const std::vector<DWORD>& s, int w, int h) {
                          const DWORD c = s[static_cast<size_t>(h / 2) * w + w / 2];
                          const bool r = Red(c) > 200, g = Green(c) > 200, b = Blue(c) > 200;
                          const bool none = Red(c) < 50 || Green(c) < 50 || Blue(c) < 50;
                          const char colour = r && g && b             ? 'w'
                                              : r && !g && !b && none ? 'r'
                                              : g && !r && !b && none ? 'g'
                                              : b && !r && !g && none ? 'b'
                                                                      : 0;
                          if (colour != 0 && seen.find(colour) == std::string::npos) seen += colour;
                          notice = notice || FindWindowA(nullptr, "Or vel Screen Notice") != nullptr;
                          return seen.size() == 4;
                        });
    EXPECT_EQ(seen.size(), 4u) << seen;
    if (!shuffled) {
      EXPECT_EQ(seen, "rbgw");
    }
    EXPECT_FALSE(notice);
  }
}

TEST(SaverRun, NoPlayableVideoShowsTheNoticeAndEnds) {
  SaverOptions o = OneTileGridOf("Z:\\no\\such\\video.avi");
  StoredOptions stored(o);
  // A copy of orvel.scr in a folder without the sample video: the fallback finds nothing,
  // for a sample in the current folder (anyone's choice) is not taken either.
  StandInFolder folder;
  ASSERT_TRUE(folder.ok());
  char current[MAX_PATH] = {};
  ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, current), 0u);
  const std::string planted = std::string(current) + "\\ov_Sample.avi";
  const std::string sample = orvelPath.substr(0, orvelPath.find_last_of("\\/") + 1) + "ov_Sample.avi";
  ASSERT_TRUE(CopyFileA(sample.c_str(), planted.c_str(), FALSE)) << sample << " to " << planted;
  const struct Unplant {
    std::string path;
    ~Unplant() { DeleteFileA(path.c_str()); }
  } unplant{planted};
  auto saver = folder.Start("/s");

  HWND box = nullptr;
  WaitPumping([&] { return (box = FindWindowA(nullptr, "Or vel Screen Notice")) != nullptr; });
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
