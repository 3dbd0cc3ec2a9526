// Libraries looked up at run time, always from the system folder, and their entry points.
// Any thread.
#pragma once

#include <windows.h>

// A library of the system folder, loaded by its full path: a file of the same name beside
// the program or in the current folder is never taken for it. Null when it is not there.
HMODULE LoadSystemLibrary(const char* name);

// The common controls the program's manifest asks for (version 6, drawn with the visual
// styles): where the activation context redirects comctl32 (XP and later), loaded by its bare
// name, which the loader then takes from the system's side-by-side store and never looks for
// in a folder; elsewhere (9x, NT 4, 2000, which read no manifest) the system folder's.
HMODULE LoadCommonControlsLibrary();

// Loads comctl32 (LoadCommonControlsLibrary), winmm and msvfw32 for the rest of the process. None is
// a KnownDLL, and system libraries the program uses import them by name (DirectShow's quartz
// imports winmm and msvfw32; comdlg32, shell32 and msvfw32 import comctl32): such an import
// takes a loaded module of that name before it searches any folder, the program's own first.
// Called by the entry point before anything else, on the main thread.
void PinSystemLibraries();

// GetProcAddress hands out a generic pointer; the export's real signature is known by name.
// Null for a library that is not there (GetProcAddress would search the program instead).
template <typename Proc>
Proc LookUp(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// An entry point of a library of the system folder that stays loaded for the rest of the
// process, for a caller that keeps the pointer. Null when the library or the entry is not
// there (the library is then let go again).
template <typename Proc>
Proc LookUpSystemProc(const char* library, const char* name) {
  HMODULE module = LoadSystemLibrary(library);
  const Proc proc = LookUp<Proc>(module, name);
  if (proc == nullptr && module != nullptr) FreeLibrary(module);
  return proc;
}
