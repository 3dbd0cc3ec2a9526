// The Windows 9x screensaver password through a real saver window, with stand-ins for
// PASSWORD.CPL and MPR.DLL put in the prefix's system folder (the copies built next to this
// program are the planted ones the saver must never load), the user's real password switch in
// HKEY_CURRENT_USER\Control Panel\Desktop (restored afterwards) and the platform family set
// by the test. The version probe shows that Wine reports Windows 98 when told to.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "program_folder.h"
#include "scoped_registry_value.h"
#include "shell/password_win.h"
#include "shell/saver_input.h"
#include "shell/saver_window_win.h"
#include "stand_in_record.h"
#include "system_stand_ins.h"

namespace {

LPARAM Point(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

// Takes every pending WM_CLOSE for the window off the queue and counts them.
int TakeCloses(HWND window) {
  int count = 0;
  MSG msg;
  while (PeekMessageA(&msg, window, WM_CLOSE, WM_CLOSE, PM_REMOVE)) ++count;
  return count;
}

class PasswordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(standIns_.ok());
    StandIn::Clear();
    verifyPassword = nullptr;
    passwordModule = nullptr;
    verifyingPassword = false;
    mouseMoveCount = 0;
    lastMousePos = {-1, -1};
  }

  void TearDown() override {
    UnloadPasswordModule();
    if (IsWindow(window_)) DestroyWindow(window_);
    saverWindow = nullptr;
    hostWindow = nullptr;
    saverMode = SaverMode::Config;
    isWin9x = false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    StandIn::Clear();
  }

  // A saver window of the mode on the platform family, with the user's password switch set
  // to `passwordSwitch`, after the run's password set-up.
  void StartRun(SaverMode mode, bool win9x, DWORD passwordSwitch = 1) {
    saverMode = mode;
    isWin9x = win9x;
    switch_.WriteNumber(passwordSwitch);
    window_ = CreateSaverWindow();
    ASSERT_NE(window_, nullptr);
    SetUpPasswordCheck();
  }

  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageA(window_, message, wParam, lParam);
  }

  // Distinct positions, none seen before in this test.
  void MoveMouse(int times) {
    for (int i = 0; i < times; ++i) {
      ++nextPosition_;
      Send(WM_MOUSEMOVE, 0, Point(nextPosition_, 2 * nextPosition_));
    }
  }

  DWORD WindowNumber() const { return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(window_)); }

  ScopedRegistryValue switch_{HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveUsePassword"};
  SystemStandIns standIns_{ProgramFolder()};
  HWND window_ = nullptr;
  int nextPosition_ = 10;
};

// Whether the password set-up loads the stand-in verifier, by mode, family and switch.
TEST_F(PasswordTest, SetUpLoadsTheVerifierOnlyWhenAskedFor) {
  const BYTE one = 1;
  const BYTE five[] = {1, 0, 0, 0, 0};
  struct Case {
    const char* name;
    SaverMode mode;
    bool win9x;
    DWORD type;  // REG_NONE: no value at all
    const void* data;
    DWORD size;
    bool loads;
  };
  const DWORD on = 1, off = 0;
  const Case cases[] = {
      {"Saver 9x on", SaverMode::Saver, true, REG_DWORD, &on, 4, true},
      {"Saver NT on", SaverMode::Saver, false, REG_DWORD, &on, 4, false},
      {"Test 9x on", SaverMode::Test, true, REG_DWORD, &on, 4, true},
      {"Test NT on", SaverMode::Test, false, REG_DWORD, &on, 4, false},
      {"Preview 9x on", SaverMode::Preview, true, REG_DWORD, &on, 4, false},
      {"Saver 9x off", SaverMode::Saver, true, REG_DWORD, &off, 4, false},
      {"Saver 9x missing", SaverMode::Saver, true, REG_NONE, nullptr, 0, false},
      {"Saver 9x one binary byte", SaverMode::Saver, true, REG_BINARY, &one, 1, true},
      {"Saver 9x string 1", SaverMode::Saver, true, REG_SZ, "1", 2, true},
      {"Saver 9x five bytes", SaverMode::Saver, true, REG_BINARY, five, 5, false},  // more than a number holds
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    saverMode = c.mode;
    isWin9x = c.win9x;
    if (c.type == REG_NONE) switch_.Remove();
    else switch_.Write(c.type, c.data, c.size);
    SetUpPasswordCheck();
    if (c.loads) {
      ASSERT_NE(passwordModule, nullptr);
      char path[MAX_PATH] = {};
      GetModuleFileNameA(passwordModule, path, MAX_PATH);
      EXPECT_STRCASEEQ(path, standIns_.Path("PASSWORD.CPL").c_str()) << "not the system's";
      EXPECT_EQ(reinterpret_cast<void*>(verifyPassword),
                reinterpret_cast<void*>(GetProcAddress(passwordModule, "VerifyScreenSavePwd")));
      EXPECT_NE(verifyPassword, nullptr);
    } else {
      EXPECT_EQ(passwordModule, nullptr);
      EXPECT_EQ(verifyPassword, nullptr);
    }
    UnloadPasswordModule();
    EXPECT_EQ(passwordModule, nullptr);
    EXPECT_EQ(verifyPassword, nullptr);
    EXPECT_EQ(GetModuleHandleA("PASSWORD.CPL"), nullptr) << "the library stays loaded";
  }
}

class PasswordByModeTest : public PasswordTest, public ::testing::WithParamInterface<SaverMode> {};

// A PASSWORD.CPL beside the program (the one built there) and one in the current folder:
// on NT neither is ever loaded, so their start-up code never runs; on 9x only the system's.
TEST_P(PasswordByModeTest, PlantedVerifiersNeverRun) {
  char scratch[MAX_PATH] = {}, previous[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, scratch);
  const std::string current = std::string(scratch) + "orvel-planted";
  CreateDirectoryA(current.c_str(), nullptr);
  ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\PASSWORD.CPL").c_str(), (current + "\\PASSWORD.CPL").c_str(), FALSE));
  GetCurrentDirectoryA(MAX_PATH, previous);
  SetCurrentDirectoryA(current.c_str());

  StartRun(GetParam(), false);
  EXPECT_EQ(passwordModule, nullptr);
  Send(WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(TakeCloses(window_), 1);
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifierLoads), 0u)
      << "loaded from " << StandIn::ReadText(StandIn::kVerifierPath);

  UnloadPasswordModule();
  isWin9x = true;
  SetUpPasswordCheck();
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifierLoads), 1u);
  EXPECT_STRCASEEQ(StandIn::ReadText(StandIn::kVerifierPath).c_str(), standIns_.Path("PASSWORD.CPL").c_str());

  UnloadPasswordModule();
  SetCurrentDirectoryA(previous);
  DeleteFileA((current + "\\PASSWORD.CPL").c_str());
  RemoveDirectoryA(current.c_str());
}

TEST_P(PasswordByModeTest, On9xRefusalKeepsTheRunAndNeedsSixNewPositions) {
  StartRun(GetParam(), true);
  ASSERT_NE(verifyPassword, nullptr);
  StandIn::WriteNumber(StandIn::kVerifyAnswer, 0);
  MoveMouse(3);
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));

  Send(WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifyCalls), 1u);
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifyOwner), WindowNumber());
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifyCursor), 1u) << "the arrow shows while the prompt is up";
  EXPECT_FALSE(verifyingPassword);
  EXPECT_EQ(TakeCloses(window_), 0);
  EXPECT_TRUE(IsWindow(window_));
  EXPECT_EQ(GetCursor(), nullptr) << "the cursor is hidden again";
  EXPECT_EQ(mouseMoveCount, 0u);

  // Five new positions do not ask again; the sixth does, and the right answer ends the run.
  MoveMouse(5);
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifyCalls), 1u);
  StandIn::WriteNumber(StandIn::kVerifyAnswer, 1);
  MoveMouse(1);
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifyCalls), 2u);
  EXPECT_EQ(TakeCloses(window_), 1);
}

TEST_P(PasswordByModeTest, On9xRightPasswordEndsTheRunOnEveryInput) {
  StartRun(GetParam(), true);
  StandIn::WriteNumber(StandIn::kVerifyAnswer, 1);
  const UINT inputs[] = {WM_KEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
  DWORD calls = 0;
  for (UINT message : inputs) {
    Send(message, 0, Point(4, 4));
    EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifyCalls), ++calls) << "message " << message;
    EXPECT_EQ(TakeCloses(window_), 1) << "message " << message;
  }
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifyOwner), WindowNumber());
}

TEST_P(PasswordByModeTest, On9xSuspendIsIgnoredWhileTheVerifierIsLoaded) {
  StartRun(GetParam(), true);
  ASSERT_NE(verifyPassword, nullptr);
  Send(WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
  EXPECT_EQ(TakeCloses(window_), 0);
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifyCalls), 0u) << "a suspend asks nobody";
  UnloadPasswordModule();
  Send(WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
  EXPECT_EQ(TakeCloses(window_), 1);
}

// Input that reaches the window while the prompt is up must neither end the run nor stack
// a second prompt, whatever the first prompt then answers.
TEST_P(PasswordByModeTest, On9xInputWhileVerifyingIsRefusedWithoutAskingAgain) {
  StartRun(GetParam(), true);
  const UINT pokes[] = {WM_KEYDOWN, WM_LBUTTONDOWN};
  for (UINT poke : pokes) {
    for (DWORD answer : {0u, 1u}) {
      SCOPED_TRACE(testing::Message() << "poke " << poke << " answer " << answer);
      StandIn::Clear();
      StandIn::WriteNumber(StandIn::kVerifyAnswer, answer);
      StandIn::WriteNumber(StandIn::kVerifyPoke, poke);
      Send(WM_KEYDOWN, VK_RETURN, 0);
      EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifyCalls), 1u);
      EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifyDepth), 1u);
      EXPECT_EQ(TakeCloses(window_), static_cast<int>(answer));
    }
  }
  // The sixth position arriving during the prompt is refused the same way.
  StandIn::Clear();
  StandIn::WriteNumber(StandIn::kVerifyAnswer, 0);
  MoveMouse(5);
  StandIn::WriteNumber(StandIn::kVerifyPoke, WM_MOUSEMOVE);
  Send(WM_LBUTTONDOWN, 0, 0);  // the stand-in's mouse move comes at (0, 0), a new position
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifyCalls), 1u);
  EXPECT_EQ(TakeCloses(window_), 0);
}

TEST_P(PasswordByModeTest, OnNtNothingIsAsked) {
  StartRun(GetParam(), false);
  StandIn::WriteNumber(StandIn::kVerifyAnswer, 0);
  Send(WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(TakeCloses(window_), 1);
  MoveMouse(5);
  EXPECT_EQ(TakeCloses(window_), 0);
  MoveMouse(1);
  EXPECT_EQ(TakeCloses(window_), 1);
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifyCalls), 0u);
}

INSTANTIATE_TEST_SUITE_P(Password, PasswordByModeTest, ::testing::Values(SaverMode::Saver, SaverMode::Test),
                         [](const auto& info) { return info.param == SaverMode::Saver ? "Saver" : "Test"; });

TEST_F(PasswordTest, SwitchedOffOn9xEndsAtOnceAndSuspendEnds) {
  StartRun(SaverMode::Saver, true, 0);
  EXPECT_EQ(verifyPassword, nullptr);
  Send(WM_LBUTTONDOWN, 0, 0);
  EXPECT_EQ(TakeCloses(window_), 1);
  Send(WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
  EXPECT_EQ(TakeCloses(window_), 1);
}

TEST_F(PasswordTest, VerifierStaysOutOfPreview) {
  saverMode = SaverMode::Preview;
  isWin9x = true;
  HWND host =
      CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 150, nullptr, nullptr, nullptr, nullptr);
  hostWindow = host;
  switch_.WriteNumber(1);
  window_ = CreateSaverWindow();
  ASSERT_NE(window_, nullptr);
  SetUpPasswordCheck();
  EXPECT_EQ(passwordModule, nullptr);
  Send(WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(TakeCloses(window_), 0);
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kVerifyCalls), 0u);
  DestroyWindow(host);
}

TEST_F(PasswordTest, WineReportsWindows98WhenToldForTheProgram) {
  ScopedRegistryValue version(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\version_probe.exe", "Version");
  version.WriteText("win98");
  ASSERT_EQ(RunToEnd(ProgramFile("version_probe.exe")), 0u);
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kProbeWin9x, 7), 1u);
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kProbePlatform, 7), 1u);  // VER_PLATFORM_WIN32_WINDOWS
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kProbeMajor, 7), 4u);
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kProbeMinor, 7), 10u);

  StandIn::Clear();
  version.Remove();
  ASSERT_EQ(RunToEnd(ProgramFile("version_probe.exe")), 0u);
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kProbeWin9x, 7), 0u);
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kProbePlatform, 7), 2u);  // VER_PLATFORM_WIN32_NT
  EXPECT_EQ(DetectWin9x(), false) << "this program was not told";
}

}  // namespace

// Wine keeps its own MPR.DLL first for a program that was not started with the stand-in
// preferred (the end-to-end tests do that for orvel.scr); the change must still come back
// and give the library up at once.
TEST_F(PasswordTest, ChangeLoadsTheSystemsLibraryOnlyForTheCall) {
  ASSERT_EQ(GetModuleHandleA("MPR.DLL"), nullptr);
  saverMode = SaverMode::ChangePassword;
  hostWindow = nullptr;
  ChangeSaverPassword();
  EXPECT_EQ(GetModuleHandleA("MPR.DLL"), nullptr);
}
