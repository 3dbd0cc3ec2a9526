// Loading a library of the system folder. Any thread.
#include "base/system_library_win.h"

#include <initializer_list>

HMODULE LoadSystemLibrary(const char* name) {
  char path[MAX_PATH];
  const UINT length = GetSystemDirectoryA(path, MAX_PATH);
  if (length == 0 || length + 1 + lstrlenA(name) >= MAX_PATH) return nullptr;
  lstrcatA(path, "\\");
  lstrcatA(path, name);
  return LoadLibraryA(path);
}

void PinSystemLibraries() {
  // comctl32 first: msvfw32 imports it too.
  for (const char* name : {"comctl32.dll", "winmm.dll", "msvfw32.dll"}) LoadSystemLibrary(name);
}
