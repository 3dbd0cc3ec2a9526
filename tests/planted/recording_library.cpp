// A library that the end-to-end tests plant beside orvel.scr under the name of a system
// library the saver loads at run time (d3d8, winmm, msvfw32, comctl32). It exports nothing.
// Whatever process loads it, its start-up code leaves the empty file "<its own path>.loaded"
// behind, for the test to find. Runs on the loading thread, under the loader lock: only
// kernel32 is called.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char path[MAX_PATH + 8] = {};
  const DWORD length = GetModuleFileNameA(instance, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TRUE;
  lstrcpyA(path + length, ".loaded");
  HANDLE marker = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
  return TRUE;
}
