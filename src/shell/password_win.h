// The Windows 9x screensaver password: the verifier from PASSWORD.CPL that guards the end
// of a full-screen run, and the password change through MPR.DLL. Both libraries are looked
// up by name at run time; they exist only on the 9x family. Main thread only (the verifier
// runs inside the dispatch of an input message and may pump its own modal loop).
#pragma once

#include <windows.h>

typedef BOOL(WINAPI* VerifyPasswordProc)(HWND owner);

extern bool isWin9x;                       // set by the run loop from DetectWin9x
extern HMODULE passwordModule;             // PASSWORD.CPL while loaded
extern VerifyPasswordProc verifyPassword;  // its "VerifyScreenSavePwd", when found
extern bool verifyingPassword;             // true only while the verifier's prompt is up

// True when the platform is of the Windows 9x family.
bool DetectWin9x();

// At the start of a full-screen run, after isWin9x is set: loads the verifier when the
// user has the screensaver password switched on.
void SetUpPasswordCheck();

// Answers whether user input may end a full-screen run now; may show the password prompt
// first. After a refusal the cursor is hidden again and mouseMoveCount starts over.
bool MayCloseSaver();

// Frees PASSWORD.CPL if it is loaded and forgets its verifier; at the end of a run and on
// its failure paths.
void UnloadPasswordModule();

// Asks the system to change the screensaver password, owned by hostWindow.
void ChangeSaverPassword();
