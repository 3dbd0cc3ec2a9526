// The Windows 9x screensaver password: whether input may end a run, and the password
// change. Main thread only.
#pragma once

#include <windows.h>

typedef BOOL(WINAPI* VerifyPasswordProc)(HWND owner);

extern bool isWin9x;
extern HMODULE passwordModule;
extern VerifyPasswordProc verifyPassword;
extern bool verifyingPassword;

// Answers whether user input may end a full-screen run now.
bool MayCloseSaver();

// Asks the system to change the screensaver password, owned by hostWindow.
void ChangeSaverPassword();
