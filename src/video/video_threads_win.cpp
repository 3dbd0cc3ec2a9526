// The video side's thread count. Any thread.
#include "video/video_threads_win.h"

#include <new>

namespace {

volatile LONG running = 0;

struct ThreadStart {
  LPTHREAD_START_ROUTINE routine;
  void* parameter;
};

DWORD WINAPI CountedThread(void* parameter) {
  const ThreadStart start = *static_cast<ThreadStart*>(parameter);
  delete static_cast<ThreadStart*>(parameter);
  const DWORD result = start.routine(start.parameter);
  InterlockedDecrement(&running);
  return result;
}

}  // namespace

HANDLE StartVideoThread(LPTHREAD_START_ROUTINE routine, void* parameter) {
  ThreadStart* start = new (std::nothrow) ThreadStart{routine, parameter};
  if (start == nullptr) return nullptr;
  InterlockedIncrement(&running);
  DWORD id = 0;  // Windows 9x wants somewhere to write it
  HANDLE thread = CreateThread(nullptr, 0, CountedThread, start, 0, &id);
  if (thread != nullptr) return thread;
  InterlockedDecrement(&running);
  delete start;
  return nullptr;
}

LONG VideoThreadsRunning() { return running; }

bool WaitForVideoThreads(DWORD limitMs) {
  const DWORD start = GetTickCount();
  while (running > 0) {
    const DWORD spent = GetTickCount() - start;
    if (spent >= limitMs) return false;
    const DWORD left = limitMs - spent;
    Sleep(left < 50 ? left : 50);
  }
  return true;
}
