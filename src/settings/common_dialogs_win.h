// The common dialogs of comdlg32 and the shell's open verb of shell32, looked up at run time in
// the system folder. Both libraries are KnownDLLs, but both import comctl32 by name: imported
// by the program, they would be loaded, and that import resolved, before the entry point has
// loaded the system folder's comctl32 (PinSystemLibraries), and a system that does not
// redirect it (Wine does not) looks in the program's folder first. Main thread (the settings
// dialogs and their link control).
#pragma once

#include <windows.h>

#include <commdlg.h>

// GetOpenFileNameA; FALSE, as for a cancelled dialog, where comdlg32 cannot be loaded.
BOOL OpenFileDialog(OPENFILENAMEA* request);

// ChooseColorA; FALSE, as for a cancelled dialog, where comdlg32 cannot be loaded.
BOOL ChooseColourDialog(CHOOSECOLORA* request);

// ShellExecuteA with the "open" verb for `address`, shown normally; nothing where shell32
// cannot be loaded.
void ShellOpen(HWND owner, const char* address);
