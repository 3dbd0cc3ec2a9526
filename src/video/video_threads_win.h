// The threads the video side starts (tries of files, Media Foundation readers), counted so
// that the end of the process can tell whether one is still inside the platform. Any thread.
#pragma once

#include <windows.h>

// Starts `routine(parameter)` on a new thread and counts it until the routine returns. The
// thread's handle (the caller closes it), or null when no thread could be made.
HANDLE StartVideoThread(LPTHREAD_START_ROUTINE routine, void* parameter);

// Threads started by StartVideoThread whose routine has not returned yet.
LONG VideoThreadsRunning();

// Waits until no such thread runs, at most `limitMs`, in steps of at most 50 ms; true when
// none runs.
bool WaitForVideoThreads(DWORD limitMs);
