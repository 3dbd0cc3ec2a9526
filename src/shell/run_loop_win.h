// The run of the three drawing modes: device, play list, video, scene, the idle loop and
// the shutdown in reverse. Main thread only; the graph's streaming thread fills
// videoTexture meanwhile.
#pragma once

#include <windows.h>

#include <cstdint>

// The playable files of this run, in a hidden list box (a child of saverWindow).
extern HWND playList;
extern uint32_t playCount;  // entries in playList
extern uint32_t playIndex;  // 1-based entry now playing

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

// Runs until saverWindow is destroyed, or until a start-up step fails.
void RunSaver();
