// Test stand-in for the Windows 9x MPR.DLL: a "PwdChangePasswordA" that records its call
// instead of showing the password-change dialog. Called on the caller's thread.
#include <windows.h>

#include "stand_in_record.h"

extern "C" DWORD WINAPI PwdChangePasswordA(LPCSTR provider, HWND owner, DWORD reserved1, DWORD reserved2) {
  StandIn::WriteNumber(StandIn::kChangeCalls, StandIn::ReadNumber(StandIn::kChangeCalls) + 1);
  StandIn::WriteNumber(StandIn::kChangeOwner, static_cast<DWORD>(reinterpret_cast<UINT_PTR>(owner)));
  StandIn::WriteText(StandIn::kChangeProvider, provider != nullptr ? provider : "<null>");
  StandIn::WriteNumber(StandIn::kChangeReserved1, reserved1);
  StandIn::WriteNumber(StandIn::kChangeReserved2, reserved2);
  return 0;
}
