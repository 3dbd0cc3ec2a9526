// The cuboid scene (shape 1): up to ten lit, video-textured cubes spinning in a fixed
// pattern, over an optional tinted copy of the video. Main thread only.
#pragma once

#include <windows.h>

#include "scenes/math3d.h"

namespace CuboidScene {

// Makes the ten boxes, the background quad when it is shown, the states, light and axes.
// E_FAIL after a notice when the background quad cannot be made; the boxes made so far
// stay for Cleanup.
HRESULT Init();
// Motion comes from the clock at Draw, so there is nothing to step.
void Advance();
// Rotates every box to the pose of the current clock, draws and presents; the result is
// Present's.
HRESULT Draw();
// Destroys the boxes that exist; the background buffer goes with the device.
void Cleanup();
// Where the scene shows the whole video texture largest, from the settings and the back
// buffer's size as they are now (also before Init).
ScreenArea TextureArea();

}  // namespace CuboidScene

// The millisecond clock that poses the boxes. Always winmm's timeGetTime in the program; a
// test may point it at a fixed time to see a known pose.
typedef DWORD(WINAPI* CuboidClockProc)();
extern CuboidClockProc cuboidClock;
