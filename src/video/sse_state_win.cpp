// Whether Windows saves the SSE registers of each thread, asked once of GetVersion, which
// every Windows has. Part of the core library on Windows: the pixel path choice needs it.
// Any thread.
#include <windows.h>

#include "video/pixel_path.h"

bool SystemSavesSseState() {
#if defined(_WIN64)
  return true;
#else
  const DWORD version = GetVersion();
  return WindowsVersionSavesSse(LOBYTE(LOWORD(version)), HIBYTE(LOWORD(version)));
#endif
}
