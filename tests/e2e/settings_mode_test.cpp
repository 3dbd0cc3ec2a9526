// orvel.scr started to configure: the settings dialog comes up, owned by the host's window
// when one is named, and the process ends when it is closed.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "saver_process.h"

namespace {

constexpr DWORD kWaitTime = 20000;  // bounds against a hang, not timing assertions
const char kCaption[] = "Or vel screen 1.0  Settings";

// Pumps this thread's messages while waiting: a dialog owned by one of its windows disables
// that window, which needs an answer from this thread.
HWND WaitForSettings(const SaverProcess& saver) {
  HWND found = nullptr;
  WaitPumping([&] { return (found = saver.FindTopWindow(nullptr, kCaption, true)) != nullptr; }, kWaitTime);
  return found;
}

struct ModeCase {
  const char* name;
  std::string arguments;  // "%" stands for the host window's number
  bool owned;
};

class SettingsMode : public ::testing::TestWithParam<ModeCase> {};

TEST_P(SettingsMode, OpensTheDialogAndEndsWhenItCloses) {
  const ModeCase& c = GetParam();
  HWND host = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr,
                              nullptr, nullptr);
  ASSERT_NE(host, nullptr);
  std::string arguments = c.arguments;
  const std::size_t mark = arguments.find('%');
  if (mark != std::string::npos)
    arguments.replace(mark, 1, std::to_string(static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(host))));

  SaverProcess saver(arguments);
  ASSERT_TRUE(saver.started());
  HWND dialog = WaitForSettings(saver);
  ASSERT_NE(dialog, nullptr) << "no settings dialog for \"" << arguments << "\"";
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), c.owned ? host : nullptr);

  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  DWORD code = 1234;
  ASSERT_TRUE(saver.WaitForExit(kWaitTime, &code));
  EXPECT_EQ(code, 0u);
  DestroyWindow(host);
}

INSTANTIATE_TEST_SUITE_P(CommandLines, SettingsMode,
                         ::testing::Values(ModeCase{"NoArguments", "", false}, ModeCase{"Bare", "/c", false},
                                           ModeCase{"Colon", "/c:%", true}, ModeCase{"Blank", "/c %", true},
                                           ModeCase{"Dash", "-C%", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
