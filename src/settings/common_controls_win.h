// The common controls library, loaded at run time from the side-by-side store or the system
// folder (LoadCommonControlsLibrary): comctl32.dll is not protected as a KnownDLL, so
// importing it by name would load a file of that name beside the program on systems without
// side-by-side assemblies. Main thread (the settings dialog).
#pragma once

#include <windows.h>

// Registers the window classes of the common controls in `classes` (ICC_ flags) before a
// dialog template that uses them is made; with a comctl32 older than InitCommonControlsEx
// (Windows 95's first one), all of them. False where comctl32 is missing.
bool RegisterCommonControls(DWORD classes);
