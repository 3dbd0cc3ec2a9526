// Waiting for something the platform does on its own time: one poll loop for the tests and
// benchmarks. The bounds only keep a broken build from hanging a run; nothing is timed.
// Called on the thread that waits.
#pragma once

#include <windows.h>

#include <functional>

// Asks `done` until it answers true or `limitMs` have passed, sleeping `stepMs` between.
bool WaitFor(const std::function<bool()>& done, DWORD limitMs = 15000, DWORD stepMs = 5);

// The same, handing out the calling thread's messages between tries (for windows and
// dialogs of the calling thread, and for programs that wait for a reply of ours).
bool WaitPumping(const std::function<bool()>& done, DWORD limitMs = 15000);

// Hands out the calling thread's messages for `milliseconds`.
void PumpFor(DWORD milliseconds);
