// user32's monitor functions where the system has them, one screen-sized monitor where it
// has not. Main thread.
#include "shell/monitor_api_win.h"

const HMONITOR kSingleMonitor = reinterpret_cast<HMONITOR>(static_cast<LONG_PTR>(0x12340042));

namespace {

typedef BOOL(WINAPI* EnumProc)(HDC dc, LPCRECT clip, MONITORENUMPROC callback, LPARAM data);
typedef BOOL(WINAPI* InfoProc)(HMONITOR monitor, MONITORINFO* info);

// user32 is loaded in every process that has windows; its own entries, never a file's.
template <typename Proc>
Proc User32Proc(const char* name) {
  return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

RECT ScreenRect() { return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

}  // namespace

BOOL ReadSingleMonitorInfo(HMONITOR monitor, MONITORINFO* info) {
  if (monitor != kSingleMonitor || info == nullptr || info->cbSize < sizeof(MONITORINFO)) return FALSE;
  info->rcMonitor = ScreenRect();
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &info->rcWork, 0)) info->rcWork = info->rcMonitor;
  info->dwFlags = MONITORINFOF_PRIMARY;
  return TRUE;
}

BOOL EnumerateMonitors(MONITORENUMPROC callback, LPARAM data) {
  static const auto enumerate = User32Proc<EnumProc>("EnumDisplayMonitors");
  if (enumerate != nullptr) return enumerate(nullptr, nullptr, callback, data);
  RECT screen = ScreenRect();
  callback(kSingleMonitor, nullptr, &screen, data);
  return TRUE;
}

BOOL ReadMonitorInfo(HMONITOR monitor, MONITORINFO* info) {
  static const auto read = User32Proc<InfoProc>("GetMonitorInfoA");
  if (read != nullptr) return read(monitor, info);
  return ReadSingleMonitorInfo(monitor, info);
}
