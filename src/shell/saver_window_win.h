// The program's window, its mode and the process-wide shell state. Main thread only.
#pragma once

#include <windows.h>

#include "base/product_names.h"
#include "shell/command_line.h"

extern SaverMode saverMode;
extern HWND hostWindow;
extern HWND saverWindow;

extern const char kSaverWindowTitle[];  // "Or vel Screen 1.0"

// Set when the display's size or the monitors' layout changed (WM_DISPLAYCHANGE); the run
// loop takes it and follows the new layout.
extern bool displayChanged;

// Parses the command line into the mode it returns and hostWindow.
SaverMode ParseCommandLine(const char* commandLine);

// Registers the class and creates saverWindow for the current mode: a visible child of
// hostWindow in Preview, a hidden screen-sized popup in the full-screen modes.
HWND CreateSaverWindow();

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
