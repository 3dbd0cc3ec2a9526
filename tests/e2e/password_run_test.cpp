// orvel.scr in a real full-screen run with the Windows 9x screensaver password switched on:
// Wine is told to report Windows 98 to programs named orvel.scr, and a copy of orvel.scr
// runs beside the stand-in PASSWORD.CPL, which records each question and answers as told.
// The input is posted to the saver window; the process's end and its exit code are the
// verdict. Test thread only; every registry value touched is put back afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "base/product_names.h"
#include "saver_process.h"
#include "saver_screen.h"
#include "scoped_registry_value.h"
#include "settings/options_record.h"
#include "stand_in_folder.h"
#include "stand_in_record.h"

namespace {

constexpr DWORD kStartTime = 20000;  // bounds against a hang, not timing assertions
constexpr DWORD kEndTime = 10000;
constexpr DWORD kStillRunning = 1000;  // how long a run that must go on is watched

// Where the real pointer is put before each run. Wine tells the new window where the pointer
// stands; posting the same position again makes the saver's last position that one whether
// or not Wine's own notice has arrived yet, so any later notice of it is no new position.
constexpr int kPointerX = 100;
constexpr int kPointerY = 100;

const COLORREF kRed = RGB(255, 0, 0);

// One screen-filling tile of a solid red video, so that the screen shows whether the device
// and the video graph came up in a program that believes it runs on Windows 98.
SaverOptions RedGrid() { return OneTileGridOf(RunInput("solid_red.avi")); }

bool WaitForScreenColour(COLORREF want) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  const POINT points[] = {{w / 2, h / 2}, {5, 5}, {w - 5, h - 5}};
  return WaitForScreenColour(points, 3, want, kStartTime);
}

// Waits until the verifier has been asked `calls` times in all; false when it was not.
bool WaitForVerifierCalls(DWORD calls) {
  return WaitPumping([&] { return StandIn::ReadNumber(StandIn::kVerifyCalls) >= calls; }, kEndTime);
}

DWORD WindowNumber(HWND window) { return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(window)); }

void PostMove(HWND window, int x, int y) {
  PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
}

void PostKey(HWND window) { PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0); }

void PostSuspend(HWND window) { PostMessageA(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0); }

class PasswordRun : public ::testing::Test {
 protected:
  void SetUp() override {
    StandIn::Clear();
    const SaverOptions options = RedGrid();
    options_.Write(REG_BINARY, &options, sizeof(options));
  }
  void TearDown() override { StandIn::Clear(); }

  // Wine reads the version it reports when the program starts.
  void ReportWindows98() { version_.WriteText("win98"); }
  void ReportNtFamily() { version_.Remove(); }

  // Made after the platform family is chosen: the folder's own per-program key lives under
  // the one that chooses it.
  bool MakeFolder() {
    folder_ = std::make_unique<StandInFolder>();
    return folder_->ok();
  }

  // Starts `arguments` from the folder with the pointer at its known place and waits for
  // the visible saver window; null when it did not come.
  HWND StartRun(const char* arguments) {
    SetCursorPos(kPointerX, kPointerY);
    saver_ = folder_->Start(arguments);
    if (!saver_->started()) return nullptr;
    HWND window = saver_->WaitForWindow(kStartTime);
    if (window == nullptr) return nullptr;
    PostMove(window, kPointerX, kPointerY);
    PumpFor(300);
    return window;
  }

  bool StillRunning() { return !saver_->WaitForExit(kStillRunning); }

  // True when the run ended with exit code 0.
  bool EndsCleanly() {
    DWORD code = 1234;
    if (!saver_->WaitForExit(kEndTime, &code)) return false;
    EXPECT_EQ(code, 0u);
    return true;
  }

  ScopedRegistryValue version_{HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\orvel.scr", "Version"};
  ScopedRegistryValue usePassword_{HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveUsePassword"};
  ScopedRegistryValue options_{HKEY_CURRENT_USER, kSettingsKeyPath, kOptionsValueName};
  std::unique_ptr<StandInFolder> folder_;
  std::unique_ptr<SaverProcess> saver_;  // ended before its folder is emptied
};

// With the password switched off nothing is asked on Windows 98 either, and nothing guards
// the run against a suspend.
TEST_F(PasswordRun, Windows98WithoutThePasswordEndsOnInput) {
  ReportWindows98();
  usePassword_.WriteNumber(0);
  ASSERT_TRUE(MakeFolder());
  struct Case {
    const char* name;
    void (*post)(HWND);
  };
  const Case cases[] = {
      {"key", PostKey}, {"suspend", PostSuspend},  // nothing guards the run, so a suspend may end it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StandIn::Clear();
    HWND window = StartRun("/s");
    ASSERT_NE(window, nullptr);
    c.post(window);
    EXPECT_TRUE(EndsCleanly());
    EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifyCalls), 0u);
  }
}

class PasswordRunByMode : public PasswordRun, public ::testing::WithParamInterface<const char*> {};

// A refusal keeps the run going and starts the count of mouse positions over; the right
// password ends the run. Asked in both full-screen modes on Windows 98, where the device and
// the video come up as anywhere else.
TEST_P(PasswordRunByMode, Windows98AsksThePasswordBeforeTheRunEnds) {
  ReportWindows98();
  usePassword_.WriteNumber(1);
  ASSERT_TRUE(MakeFolder());
  StandIn::WriteNumber(StandIn::kVerifyAnswer, 0);
  HWND window = StartRun(GetParam());
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(WaitForScreenColour(kRed)) << "the video does not reach the screen on Windows 98";

  PostSuspend(window);
  ASSERT_TRUE(StillRunning()) << "a suspend ended a run that the password guards";
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifyCalls), 0u);

  PostKey(window);
  ASSERT_TRUE(WaitForVerifierCalls(1)) << "a key press did not ask the password";
  ASSERT_TRUE(StillRunning()) << "a refused password ended the run";
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifyCalls), 1u);
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifyOwner), WindowNumber(window));
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifyCursor), 1u) << "no arrow over the saver while the prompt was up";
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifyDepth), 1u);
  EXPECT_TRUE(IsWindowVisible(window));

  // After the refusal, five new positions are not enough...
  for (int i = 1; i <= 5; ++i) PostMove(window, kPointerX + i, kPointerY);
  ASSERT_TRUE(StillRunning());
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifyCalls), 1u) << "asked again before the sixth new position";

  // ...the sixth asks again, and a second refusal still keeps the run.
  PostMove(window, 400, 300);
  ASSERT_TRUE(WaitForVerifierCalls(2)) << "the sixth new position did not ask the password";
  ASSERT_TRUE(StillRunning());
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifyCalls), 2u);

  StandIn::WriteNumber(StandIn::kVerifyAnswer, 1);
  PostKey(window);
  EXPECT_TRUE(EndsCleanly()) << "the right password did not end the run";
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifyCalls), 3u);
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifyOwner), WindowNumber(window));
}

// No prefix, so that the cases are named like the other password runs.
INSTANTIATE_TEST_SUITE_P(, PasswordRunByMode, ::testing::Values("/s", "/t"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param[1] == 's' ? "Saver" : "Test");
                         });

// On the NT family the system guards the desktop itself: the same switch and the same
// refusing verifier, yet a key press ends either full-screen run at once.
TEST_F(PasswordRun, NtFamilyNeverAsks) {
  ReportNtFamily();
  usePassword_.WriteNumber(1);
  ASSERT_TRUE(MakeFolder());
  for (const char* arguments : {"/s", "/t"}) {
    SCOPED_TRACE(arguments);
    StandIn::Clear();
    StandIn::WriteNumber(StandIn::kVerifyAnswer, 0);
    HWND window = StartRun(arguments);
    ASSERT_NE(window, nullptr);
    PostKey(window);
    EXPECT_TRUE(EndsCleanly()) << "input did not end the run";
    EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifyCalls), 0u);
  }
}

}  // namespace
