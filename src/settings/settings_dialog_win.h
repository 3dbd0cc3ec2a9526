// The settings dialog of the configure mode: shape, per-shape settings, the video list and
// the link to the maker's site. It edits the process-wide settings record and saves it on
// OK. Main thread only. Its dialogs and pictures are resources of the program's module
// (GetModuleHandleA(nullptr)), which a test program links too.
#pragma once

#include <windows.h>

// Build settings of ours (CMake cache variables of the same names): the address behind the
// link picture and the ownership line.
#if !defined(ORVEL_WEB_ADDRESS) || !defined(ORVEL_OWNER_NOTICE)
#error "ORVEL_WEB_ADDRESS and ORVEL_OWNER_NOTICE come from the build"
#endif

// The custom colours of the colour dialog, shared by both colour buttons for the life of
// the process and never saved. All black at start.
extern COLORREF customColors[16];

// Modal, from dialog resource 100, owned by `parent` (may be null). Returns 1 after OK and
// 0 after Cancel; the entry point ignores it.
INT_PTR ShowSettingsDialog(HWND parent);
