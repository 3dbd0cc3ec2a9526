// A program that only asks which platform family Wine reports to it, through the saver's
// own DetectWin9x, and records the answer for the test that started it. Main thread only.
#include <windows.h>

#include "shell/password_win.h"
#include "stand_in_record.h"

int main() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  GetVersionExA(&info);
  StandIn::WriteNumber(StandIn::kProbeWin9x, DetectWin9x() ? 1 : 0);
  StandIn::WriteNumber(StandIn::kProbePlatform, info.dwPlatformId);
  StandIn::WriteNumber(StandIn::kProbeMajor, info.dwMajorVersion);
  StandIn::WriteNumber(StandIn::kProbeMinor, info.dwMinorVersion);
  return 0;
}
