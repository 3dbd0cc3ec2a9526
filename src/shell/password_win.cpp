// The Windows 9x screensaver password. Main thread only.
// No password is asked yet: every input may end a run, and the change does nothing.
#include "shell/password_win.h"

bool isWin9x = false;
HMODULE passwordModule = nullptr;
VerifyPasswordProc verifyPassword = nullptr;
bool verifyingPassword = false;

bool MayCloseSaver() { return true; }

void ChangeSaverPassword() {}
