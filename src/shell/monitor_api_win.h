// The monitor functions of user32, looked up at run time: Windows 95 and NT 4 have none, and a
// program that imports them does not start there. Such a system has one monitor, the screen.
// Main thread.
#pragma once

#include <windows.h>

// EnumDisplayMonitors over the whole desktop; without it `callback` is called once, for
// kSingleMonitor and the screen's rectangle.
BOOL EnumerateMonitors(MONITORENUMPROC callback, LPARAM data);

// GetMonitorInfoA; without it kSingleMonitor is the primary monitor, as big as the screen,
// with the desktop's work area.
BOOL ReadMonitorInfo(HMONITOR monitor, MONITORINFO* info);

// The one monitor of a system without the monitor functions (the value Microsoft's own
// multiple-monitor stubs used for it).
extern const HMONITOR kSingleMonitor;

// ReadMonitorInfo's answer on such a system, whatever the system: for the tests.
BOOL ReadSingleMonitorInfo(HMONITOR monitor, MONITORINFO* info);
