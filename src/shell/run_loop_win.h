// The run of the three drawing modes: covers, device, frame surface, scene, the idle loop
// and the shutdown in reverse. Main thread only. The files are tried and played by threads
// of their own (video/video_try_win.h): the main thread starts the tries, reads their
// answers and shows one, and never waits on a file, a graph or a reader.
#pragma once

#include <windows.h>

#include <cstdint>

// The playable files of this run, in a hidden list box (a child of saverWindow): the slots
// that have played so far in slot order, or the fallback sample while no slot has.
extern HWND playList;
extern uint32_t playCount;  // entries in playList
extern uint32_t playIndex;  // 1-based entry now playing; 0 while none is

struct VideoTry;
extern const VideoTry* shownVideo;  // the try whose video is on screen; null while none is

extern const char kSampleVideoName[];  // "ov_Sample.avi", the fallback when no slot plays

// The start-up failure notices, shown in the full-screen modes only.
extern const char kNoticeComFailed[];
extern const char kNoticeDeviceFailed[];
extern const char kNoticeSurfaceFailed[];
extern const char kNoticeNoVideo[];
extern const char kNoticeSceneFailed[];

// Steps of the run that tests may replace to reach a failure the platform will not give on
// demand. The program always uses the real ones.
struct RunSteps {
  bool (*createFrameSurface)();
  HRESULT (*initScene)();
};
extern RunSteps runSteps;

// How long a file's try has before the next file is tried (1 s; it may still answer later).
extern DWORD videoTryLimitMs;

// The single-run mutex of a full-screen run, owned by the entry; the run releases it (and
// the screensaver-running flag) as soon as its window has gone, before anything else is
// given back.
extern HANDLE singleRunMutex;

// Releases and closes singleRunMutex, if it is still held.
void ReleaseSingleRunMutex();

// Runs until saverWindow is destroyed, or until a start-up step fails.
void RunSaver();

// After RunSaver: gives a thread still stuck in a file at most `limitMs` to come back. False
// when one is still running; the process must then end without freeing what such a thread
// may still use.
bool LetVideoThreadsEnd(DWORD limitMs);
