// Finding a top-level window by process, class and title, for the tests and benchmarks that
// watch orvel.scr from outside. Any thread.
#pragma once

#include <windows.h>

// The first top-level window of process `processId` (0: of any process) whose class and
// title are the given ones (null: any), only visible ones when `visibleOnly`; null if none.
HWND FindTopWindow(DWORD processId, const char* className, const char* title, bool visibleOnly);
