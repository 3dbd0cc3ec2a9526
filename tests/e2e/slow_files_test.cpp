// orvel.scr with its first file on a slow or stalled share: every read of that one file is
// delayed by the strace that its CTest test runs the driver under (tests/CMakeLists.txt).
// The screen is covered at once, the second file's colour shows before the first file's,
// and a key ends the process within a second although a thread is still stuck reading the
// first file. Figures are printed as `figure:` lines; the bounds are the ones the saver
// promises.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "saver_screen.h"

std::string slowFilePath;        // --slow-file=; empty outside those tests
bool slowFileReadsHeld = false;  // --reads-held: its reads take longer than the run

namespace {

constexpr DWORD kCoveredBoundMs = 500;
constexpr DWORD kEndBoundMs = 1000;

// Milliseconds from the start of "orvel.scr /s" until one of its covers (or its window) is
// visible; the process is left running.
DWORD TimeToCovered(SaverProcess& saver, DWORD start) {
  HWND cover = nullptr;
  WaitPumping(
      [&] {
        cover = saver.FindTopWindow("QuordaCoverClass", nullptr, true);
        if (cover == nullptr) cover = saver.FindTopWindow(kSaverWindowClass, nullptr, true);
        return cover != nullptr;
      },
      30000);
  return cover != nullptr ? GetTickCount() - start : DWORD(-1);
}

// A key on the saver's window: how long until the window went, and until the process ended
// (DWORD(-1) when it had not within `exitBoundMs`), with its exit code.
struct KeyEnd {
  DWORD goneMs = 0, endMs = DWORD(-1), code = 1234;
};
KeyEnd PressAKey(SaverProcess& saver, HWND window, DWORD exitBoundMs) {
  KeyEnd result;
  const DWORD keyAt = GetTickCount();
  PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
  WaitPumping([&] { return !IsWindow(window) || !IsWindowVisible(window); }, 5000);
  result.goneMs = GetTickCount() - keyAt;
  if (saver.WaitForExit(exitBoundMs, &result.code)) result.endMs = GetTickCount() - keyAt;
  std::printf("figure: key_to_window_gone_ms %lu\nfigure: key_to_process_end_ms %lu\n", result.goneMs, result.endMs);
  return result;
}

// A first run warms what the platform makes once per machine and session (under the tracer
// that can take seconds); it is ended as soon as it covers the screen.
void WarmUp() {
  const DWORD start = GetTickCount();
  SaverProcess warmUp("/s");
  const DWORD coveredMs = TimeToCovered(warmUp, start);
  std::printf("figure: first_start_to_covered_ms %lu\n", coveredMs);
  HWND window = warmUp.WaitForWindow(30000);
  if (window != nullptr) PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
  warmUp.WaitForExit(30000);
}

// The file under the tracer in the first slot, a blue one in the second.
SaverOptions SlowFileThenBlue() {
  SaverOptions options = OneTileGridOf(slowFilePath);
  const std::string blue = RunInput("solid_blue.avi");
  options.videoFiles2[blue.copy(options.videoFiles2, kVideoPathMaxLength)] = '\0';
  return options;
}

TEST(SlowFiles, CoveredAtOnceTheOtherFilePlaysAndAKeyEndsTheProcess) {
  ASSERT_FALSE(slowFilePath.empty()) << "run with --slow-file= under its strace";
  StoredOptions stored(SlowFileThenBlue());

  WarmUp();

  const DWORD start = GetTickCount();
  SaverProcess saver("/s");
  ASSERT_TRUE(saver.started());
  const DWORD coveredMs = TimeToCovered(saver, start);
  ASSERT_NE(coveredMs, DWORD(-1));

  // Which file shows first is what proves the delay: undelayed, the first (red) file gives
  // its first frame well within the 1 s the saver waits and plays first; with every read of
  // it 100 ms late (some 180 reads before a first frame) or stalled, it is passed over and
  // the second (blue) one shows first.
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  bool redFirst = false, bluePlays = false;
  WaitPumping(
      [&] {
        redFirst = ScreenShows(w / 2, h / 2, RGB(255, 0, 0));
        bluePlays = !redFirst && ScreenShows(w / 2, h / 2, RGB(0, 0, 255));
        return redFirst || bluePlays;
      },
      20000);
  const DWORD firstColourMs = GetTickCount() - start;

  HWND window = saver.WaitForWindow(1000);
  ASSERT_NE(window, nullptr);
  const KeyEnd end = PressAKey(saver, window, 30000);

  std::printf("figure: start_to_covered_ms %lu\nfigure: start_to_%s_file_ms %lu\n", coveredMs,
              redFirst ? "first" : "second", firstColourMs);
  EXPECT_LE(coveredMs, kCoveredBoundMs);
  EXPECT_FALSE(redFirst) << "the first file showed first: its reads were not delayed";
  EXPECT_TRUE(redFirst || bluePlays) << "neither file's colour showed within 20 s";
  ASSERT_NE(end.endMs, DWORD(-1));
  EXPECT_EQ(end.code, 0u);
  // A read the tracer holds keeps the ended process listed until its delay runs out (the
  // README's known limits); what the user sees, the window, goes within the bound all the same.
  EXPECT_LE(slowFileReadsHeld ? end.goneMs : end.endMs, kEndBoundMs);
}

// The first file plays, then its share drops (reads stall, or fail) a few seconds in: the
// second file's colour follows within seconds, not at the end of the first file's 60 s, and
// a key still ends the process within a second.
TEST(DroppingShare, TheNextFilePlaysSoonAfterTheFirstOneStops) {
  ASSERT_FALSE(slowFilePath.empty()) << "run with --slow-file= under its strace";
  StoredOptions stored(SlowFileThenBlue());

  SaverProcess saver("/s");
  ASSERT_TRUE(saver.started());
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  const POINT centre[] = {{w / 2, h / 2}};
  ASSERT_TRUE(WaitForScreenColour(centre, 1, RGB(255, 0, 0), 20000)) << "the first file never showed";
  const DWORD redAt = GetTickCount();
  const bool bluePlays = WaitForScreenColour(centre, 1, RGB(0, 0, 255), 30000);
  const DWORD redToBlueMs = GetTickCount() - redAt;
  std::printf("figure: first_picture_to_next_file_ms %lu\n", redToBlueMs);
  EXPECT_TRUE(bluePlays) << "the second file's colour never showed";
  // About 5 s of play, then at most 3 s without a frame; the whole file would be 60 s.
  EXPECT_LT(redToBlueMs, 20000u);

  HWND window = saver.WaitForWindow(1000);
  ASSERT_NE(window, nullptr);
  // The process itself is listed as ended only once the tracer lets the held read go.
  const KeyEnd end = PressAKey(saver, window, 30000);
  EXPECT_LE(end.goneMs, kEndBoundMs);
  ASSERT_NE(end.endMs, DWORD(-1));
  EXPECT_EQ(end.code, 0u);
}

// A folder in the first slot whose listings stall (the tracer holds each read of it 5 s): the
// screen is covered at once, the second slot's blue shows first, the folder's red once a
// listing has come back, and a key still takes the window away at once.
TEST(StalledFolder, TheOtherSlotShowsFirstAndTheFolderPlaysOnceListed) {
  ASSERT_FALSE(slowFilePath.empty()) << "run with --slow-file= under its strace";
  StoredOptions stored(SlowFileThenBlue());
  WarmUp();
  const DWORD start = GetTickCount();
  SaverProcess saver("/s");
  ASSERT_TRUE(saver.started());
  const DWORD coveredMs = TimeToCovered(saver, start);
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  const POINT centre[] = {{w / 2, h / 2}};
  const bool blue = WaitForScreenColour(centre, 1, RGB(0, 0, 255), 20000);
  const DWORD blueMs = GetTickCount() - start;
  const bool red = WaitForScreenColour(centre, 1, RGB(255, 0, 0), 60000);
  const DWORD redMs = GetTickCount() - start;
  std::printf(
      "figure: start_to_covered_ms %lu\nfigure: start_to_other_slot_ms %lu\nfigure: start_to_folder_file_ms %lu\n",
      coveredMs, blueMs, redMs);
  EXPECT_LE(coveredMs, kCoveredBoundMs);
  EXPECT_TRUE(blue) << "the other slot never showed";
  EXPECT_LT(blueMs, 5000u) << "the other slot waited for the listing";
  EXPECT_TRUE(red) << "the folder's file never showed";

  HWND window = saver.WaitForWindow(1000);
  ASSERT_NE(window, nullptr);
  const KeyEnd end = PressAKey(saver, window, 30000);
  EXPECT_LE(end.goneMs, kEndBoundMs);
}

}  // namespace
