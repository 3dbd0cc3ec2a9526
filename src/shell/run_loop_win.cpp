// The run of the drawing modes. Main thread only.
// For now the run shows the window, paints nothing and pumps messages until the window
// is gone; the device, the video and the scenes plug in here.
#include "shell/run_loop_win.h"

#include <windows.h>

#include "shell/saver_input.h"
#include "shell/saver_window_win.h"

void RunSaver() {
  if (!IsDrawingMode(saverMode) || saverWindow == nullptr) return;
  if (IsFullScreenMode(saverMode)) mouseMoveCount = 0;
  ShowWindow(saverWindow, SW_SHOWDEFAULT);
  UpdateWindow(saverWindow);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}
