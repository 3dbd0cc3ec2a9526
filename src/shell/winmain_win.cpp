// Process entry: parse the command line, make the window, load the settings and hand
// over by mode. Main thread only.
#include <windows.h>

#include "base/system_library_win.h"
#include "settings/options_registry_win.h"
#include "settings/settings_dialog_win.h"
#include "shell/password_win.h"
#include "shell/run_loop_win.h"
#include "shell/saver_window_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  PinSystemLibraries();
  saverMode = ParseCommandLine(GetCommandLineA());
  instanceHandle = instance;

  if (IsDrawingMode(saverMode) && CreateSaverWindow() == nullptr) {
    UnregisterClassA(kSaverWindowClass, instance);
    return 0;
  }

  settingsKeyPath = kSettingsKeyPath;
  LoadOptions();

  switch (saverMode) {
    case SaverMode::Config:
      ShowSettingsDialog(hostWindow);
      break;
    case SaverMode::Preview:
      RunSaver();
      UnregisterClassA(kSaverWindowClass, instance);
      break;
    case SaverMode::Saver:
    case SaverMode::Test: {
      HANDLE mutex = CreateMutexA(nullptr, TRUE, kSingleRunMutexName);
      if (GetLastError() == ERROR_ALREADY_EXISTS) {
        // Another full-screen run is on; its window stays until this process ends.
        ReleaseMutex(mutex);
        CloseHandle(mutex);
        return 0;
      }
      RunSaver();
      UnregisterClassA(kSaverWindowClass, instance);
      ReleaseMutex(mutex);
      CloseHandle(mutex);
      break;
    }
    case SaverMode::ChangePassword:
      ChangeSaverPassword();
      break;
  }
  return 0;
}
