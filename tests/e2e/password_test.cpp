// orvel.scr asked to change the screensaver password: the host's "/a" command lines reach
// the change dialog of MPR.DLL with the right provider and owner, run from a folder that
// holds a copy of orvel.scr beside the stand-in libraries.
#include <windows.h>

#include <gtest/gtest.h>

#include "saver_process.h"
#include "stand_in_folder.h"
#include "stand_in_record.h"

namespace {

constexpr DWORD kEndTime = 15000;  // a bound against a hang, not a timing assertion

class PasswordChange : public ::testing::Test {
 protected:
  void SetUp() override { StandIn::Clear(); }
  void TearDown() override { StandIn::Clear(); }
};

TEST_F(PasswordChange, HostsCommandLineReachesTheChangeDialog) {
  StandInFolder folder;
  ASSERT_TRUE(folder.ok());
  struct Case {
    const char* arguments;
    DWORD owner;
  };
  const Case cases[] = {
      {"/a 1234", 1234},
      {"/a", 0},  // no number: the dialog has no owner
      {"-A:5678", 5678},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    StandIn::Clear();
    auto saver = folder.Start(c.arguments);
    ASSERT_TRUE(saver->started());
    DWORD code = 1234;
    ASSERT_TRUE(saver->WaitForExit(kEndTime, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(StandIn::ReadNumber(StandIn::kChangeCalls), 1u);
    EXPECT_EQ(StandIn::ReadText(StandIn::kChangeProvider), "SCRSAVE");
    EXPECT_EQ(StandIn::ReadNumber(StandIn::kChangeOwner, 0xFFFFFFFF), c.owner);
    EXPECT_EQ(StandIn::ReadNumber(StandIn::kChangeReserved1, 7), 0u);
    EXPECT_EQ(StandIn::ReadNumber(StandIn::kChangeReserved2, 7), 0u);
  }
}

TEST_F(PasswordChange, ConfigureRunNeverCallsIt) {
  StandInFolder folder;
  ASSERT_TRUE(folder.ok());
  auto saver = folder.Start("/c 0");
  ASSERT_TRUE(saver->started());
  // A settings dialog, if one comes up, is cancelled.
  for (int i = 0; i < 100 && !saver->WaitForExit(50); ++i) {
    if (HWND dialog = saver->FindTopWindow("#32770", nullptr, false)) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  }
  ASSERT_TRUE(saver->WaitForExit(kEndTime));
  EXPECT_EQ(StandIn::ReadNumber(StandIn::kChangeCalls), 0u);
}

}  // namespace
