// Process entry: parse the command line, make the window, load the settings and hand
// over by mode. Main thread only.
#include <windows.h>

#include "base/scoped_win.h"
#include "base/system_library_win.h"
#include "settings/options_registry_win.h"
#include "settings/settings_dialog_win.h"
#include "shell/password_win.h"
#include "shell/run_loop_win.h"
#include "shell/saver_window_win.h"

namespace {

// How long the end of a run waits for a video thread stuck in a read, so that the process
// still ends well within a second of the input that ended the run.
constexpr DWORD kThreadEndLimitMs = 400;

// After a drawing run: the process ends at once when a thread is still stuck in a file,
// without freeing anything such a thread may still use.
void EndAfterRun() {
  if (!LetVideoThreadsEnd(kThreadEndLimitMs)) ExitProcess(0);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  PinSystemLibraries();
  saverMode = ParseCommandLine(GetCommandLineA());

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
      EndAfterRun();
      UnregisterClassA(kSaverWindowClass, instance);
      break;
    case SaverMode::Saver:
    case SaverMode::Test: {
      ScopedKernelHandle mutex(CreateMutexA(nullptr, TRUE, kSingleRunMutexName));
      if (GetLastError() == ERROR_ALREADY_EXISTS) {
        // Another full-screen run is on; its window stays until this process ends.
        ReleaseMutex(mutex.Get());
        return 0;
      }
      // The run lets go of it as soon as its window has gone.
      singleRunMutex = mutex.Release();
      RunSaver();
      ReleaseSingleRunMutex();  // still held after a run that failed to start
      EndAfterRun();
      UnregisterClassA(kSaverWindowClass, instance);
      break;
    }
    case SaverMode::ChangePassword:
      ChangeSaverPassword();
      break;
  }
  return 0;
}
