// The Windows 9x screensaver password: loading the verifier, asking it, unloading it, and
// the password change. Both libraries are taken from the system folder only. The decisions
// are taken in password_rules.cpp. Main thread only.
#include "shell/password_win.h"

#include "base/scoped_win.h"
#include "base/system_library_win.h"
#include "shell/password_rules.h"
#include "shell/saver_window_win.h"

bool isWin9x = false;
HMODULE passwordModule = nullptr;
VerifyPasswordProc verifyPassword = nullptr;
bool verifyingPassword = false;

namespace {

typedef DWORD(WINAPI* ChangePasswordProc)(LPCSTR provider, HWND owner, DWORD reserved1, DWORD reserved2);

bool PasswordSwitchedOn() {
  ScopedRegistryKey key;
  if (RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", key.Receive()) != ERROR_SUCCESS) return false;
  unsigned char data[4] = {};
  DWORD size = sizeof(data);
  // The type is not looked at: whatever was stored there, up to four bytes, is a number.
  if (RegQueryValueExA(key.Get(), "ScreenSaveUsePassword", nullptr, nullptr, data, &size) != ERROR_SUCCESS)
    return false;
  return PasswordSwitchOn(data, size);
}

}  // namespace

bool DetectWin9x() {
  OSVERSIONINFOA info = {};
  static_assert(sizeof(info) == 148, "the 9x family knows only the short version structure");
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExA(&info)) return false;
  return info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

void SetUpPasswordCheck() {
  if (!ShouldSetUpPasswordCheck(saverMode, isWin9x)) return;
  if (!PasswordSwitchedOn()) return;
  passwordModule = LoadSystemLibrary("PASSWORD.CPL");
  if (passwordModule == nullptr) return;
  verifyPassword = LookUp<VerifyPasswordProc>(passwordModule, "VerifyScreenSavePwd");
}

bool MayCloseSaver() {
  const CloseQuestion question = {saverMode, isWin9x, verifyPassword != nullptr, verifyingPassword};
  switch (DecideMayClose(question)) {
    case CloseAnswer::EndNow:
      return true;
    case CloseAnswer::KeepRunning:
      return false;
    case CloseAnswer::AskVerifier:
      break;
  }
  verifyingPassword = true;
  const bool accepted = verifyPassword(saverWindow) != FALSE;
  verifyingPassword = false;
  if (!accepted) SetCursor(nullptr);  // the prompt showed the arrow; the run goes on without it
  return TakeVerifierAnswer(accepted);
}

void UnloadPasswordModule() {
  if (passwordModule == nullptr) return;
  FreeLibrary(passwordModule);
  passwordModule = nullptr;
  // The export went with the module; a pointer left behind would also keep the suspend
  // rule of the window procedure believing that a verifier guards the run.
  verifyPassword = nullptr;
}

void ChangeSaverPassword() {
  ScopedLibrary mpr(LoadSystemLibrary("MPR.DLL"));
  if (!mpr) return;
  const auto change = LookUp<ChangePasswordProc>(mpr.Get(), "PwdChangePasswordA");
  if (change == nullptr) return;
  change("SCRSAVE", hostWindow, 0, 0);
}
