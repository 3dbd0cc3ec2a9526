// Test stand-in for the Windows 9x PASSWORD.CPL: a "VerifyScreenSavePwd" that records each
// call and answers what the test told it. Called on the thread that owns the owner window.
#include <windows.h>

#include "stand_in_record.h"

namespace {

int depth = 0;  // nesting of calls, so that a test sees a second prompt stacked on the first

// What a real prompt does to its owner while it is up: the owner gets WM_SETCURSOR for the
// pointer over it. Records whether the owner then shows a cursor.
void RecordOwnerCursor(HWND owner) {
  SetCursor(nullptr);
  SendMessageA(owner, WM_SETCURSOR, reinterpret_cast<WPARAM>(owner), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  StandIn::WriteNumber(StandIn::kVerifyCursor, GetCursor() != nullptr ? 1 : 0);
}

}  // namespace

// Start-up code runs as soon as any program loads the library: the planted-library tests
// see from this whether it was loaded at all, and from where.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char path[MAX_PATH] = {};
  GetModuleFileNameA(instance, path, MAX_PATH);
  StandIn::WriteNumber(StandIn::kVerifierLoads, StandIn::ReadNumber(StandIn::kVerifierLoads) + 1);
  StandIn::WriteText(StandIn::kVerifierPath, path);
  return TRUE;
}

extern "C" BOOL WINAPI VerifyScreenSavePwd(HWND owner) {
  ++depth;
  StandIn::WriteNumber(StandIn::kVerifyCalls, StandIn::ReadNumber(StandIn::kVerifyCalls) + 1);
  StandIn::WriteNumber(StandIn::kVerifyOwner, static_cast<DWORD>(reinterpret_cast<UINT_PTR>(owner)));
  if (static_cast<DWORD>(depth) > StandIn::ReadNumber(StandIn::kVerifyDepth))
    StandIn::WriteNumber(StandIn::kVerifyDepth, static_cast<DWORD>(depth));

  RecordOwnerCursor(owner);
  // Input that reaches the owner while the prompt is up, as it may through a modal loop.
  const DWORD poke = StandIn::ReadNumber(StandIn::kVerifyPoke);
  if (poke != 0) SendMessageA(owner, poke, StandIn::ReadNumber(StandIn::kVerifyPokeWParam), 0);

  const BOOL answer = StandIn::ReadNumber(StandIn::kVerifyAnswer) != 0;
  --depth;
  return answer;
}
