// The poll loop. The thread that waits.
#include "poll.h"

namespace {

bool Poll(const std::function<bool()>& done, DWORD limitMs, const std::function<void()>& between) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start > limitMs) return false;
    between();
  }
}

}  // namespace

bool WaitFor(const std::function<bool()>& done, DWORD limitMs, DWORD stepMs) {
  return Poll(done, limitMs, [stepMs] { Sleep(stepMs); });
}

bool WaitPumping(const std::function<bool()>& done, DWORD limitMs) {
  return Poll(done, limitMs, [] { PumpFor(50); });
}

void PumpFor(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(10);
  } while (GetTickCount() - start < milliseconds);
}
