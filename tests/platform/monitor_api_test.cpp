// The single monitor that the saver assumes where user32 has no monitor functions (Windows 95
// and NT 4), against what Wine's user32 says of the primary monitor.
#include <windows.h>

#include <gtest/gtest.h>

#include "shell/monitor_api_win.h"

namespace {

TEST(MonitorApi, SingleMonitorIsThePrimaryMonitor) {
  const HMONITOR primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO system = {};
  system.cbSize = sizeof(system);
  ASSERT_TRUE(GetMonitorInfoA(primary, &system));

  MONITORINFO single = {};
  single.cbSize = sizeof(single);
  ASSERT_TRUE(ReadSingleMonitorInfo(kSingleMonitor, &single));
  EXPECT_TRUE(EqualRect(&system.rcMonitor, &single.rcMonitor));
  EXPECT_TRUE(EqualRect(&system.rcWork, &single.rcWork));
  EXPECT_EQ(DWORD(MONITORINFOF_PRIMARY), single.dwFlags);

  EXPECT_FALSE(ReadSingleMonitorInfo(primary, &single)) << "only the single monitor's handle is known there";
}

}  // namespace
