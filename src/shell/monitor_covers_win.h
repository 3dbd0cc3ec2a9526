// Black popups over every monitor but the primary one during a full-screen run, so that no
// other monitor shows the desktop or passes clicks to other programs. Created hidden with
// saverWindow (and owned by it, so they go with it), shown when it is shown. Input on them
// follows saverWindow's rules and ends the whole run. Main thread only.
#pragma once

#include <windows.h>

#include <vector>

extern const char kMonitorCoverClass[];  // "QuordaCoverClass"

// The covers of this run, one per monitor other than the primary one.
extern std::vector<HWND> monitorCovers;

// Creates a hidden cover for each monitor but the primary one (none with one monitor).
void CreateMonitorCovers();

// Shows the covers above everything else, without taking the activation from saverWindow.
void ShowMonitorCovers();

LRESULT CALLBACK MonitorCoverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
