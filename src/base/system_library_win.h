// Libraries looked up at run time, always from the system folder, and their entry points.
// Any thread.
#pragma once

#include <windows.h>

// A library of the system folder, loaded by its full path: a file of the same name beside
// the program or in the current folder is never taken for it. Null when it is not there.
HMODULE LoadSystemLibrary(const char* name);

// GetProcAddress hands out a generic pointer; the export's real signature is known by name.
template <typename Proc>
Proc LookUp(HMODULE module, const char* name) {
  return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
