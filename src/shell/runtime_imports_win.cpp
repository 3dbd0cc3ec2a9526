// Three wide-character entries of kernel32 for the runtime libraries linked into the 32-bit
// orvel.scr, made from the ANSI ones. libgcc's locks (CreateSemaphoreW) and the C runtime's
// locale and random-number helpers (GetModuleHandleW, LoadLibraryW) call them, and Windows 9x
// has them only as stubs that fail: a lock whose semaphore was never made does not hold
// under contention. The import slots those libraries call through are defined here, under
// the names kernel32's import library would give them, so the program imports none of the
// three. Linked into orvel.scr only, never into a library, so that the slots are there before
// the runtime asks for them. Any thread.
#include <windows.h>

#if defined(__i386__)

namespace {

// A name the runtime passes (a library's file name, never a path) in the ANSI code page.
bool Narrow(LPCWSTR wide, char (&narrow)[MAX_PATH]) {
  return WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, MAX_PATH, nullptr, nullptr) != 0;
}

HANDLE WINAPI CreateSemaphoreWide(LPSECURITY_ATTRIBUTES attributes, LONG initial, LONG maximum, LPCWSTR name) {
  if (name == nullptr) return CreateSemaphoreA(attributes, initial, maximum, nullptr);
  char narrow[MAX_PATH];
  if (!Narrow(name, narrow)) return nullptr;
  return CreateSemaphoreA(attributes, initial, maximum, narrow);
}

HMODULE WINAPI GetModuleHandleWide(LPCWSTR name) {
  if (name == nullptr) return GetModuleHandleA(nullptr);
  char narrow[MAX_PATH];
  if (!Narrow(name, narrow)) return nullptr;
  return GetModuleHandleA(narrow);
}

HMODULE WINAPI LoadLibraryWide(LPCWSTR name) {
  char narrow[MAX_PATH];
  if (name == nullptr || !Narrow(name, narrow)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return LoadLibraryA(narrow);
}

}  // namespace

extern "C" {
decltype(&CreateSemaphoreWide) createSemaphoreWSlot __asm__("__imp__CreateSemaphoreW@16") = CreateSemaphoreWide;
decltype(&GetModuleHandleWide) getModuleHandleWSlot __asm__("__imp__GetModuleHandleW@4") = GetModuleHandleWide;
decltype(&LoadLibraryWide) loadLibraryWSlot __asm__("__imp__LoadLibraryW@4") = LoadLibraryWide;
}

#endif
