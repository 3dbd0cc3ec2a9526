// The scene of a run, chosen by the settings' shape, behind the four calls of the run loop;
// and the screen size that the cuboid and grid scenes share. Main thread only.
#pragma once

#include <windows.h>

#include <cstdint>

#include "scenes/math3d.h"

// The primary screen in pixels; each scene that needs them sets them in its Init.
extern int32_t screenWidth;
extern int32_t screenHeight;

// shape 1 runs the cuboids, 2 the grid, every other value the star field. The settings are
// read at every call and never corrected.
//
// The chosen scene's Init result, unchanged (S_OK, E_FAIL, E_OUTOFMEMORY).
HRESULT InitScene();
// Always 0.
int32_t AdvanceScene();
// The frame's result (Present's): a frame that fails is simply followed by the next; the
// run loop looks at it only for a lost device.
HRESULT DrawScene();
// Frees what the scene made for itself, also after an Init that stopped part-way.
void CleanupScene();
// Where the chosen scene shows the whole video texture largest, in back-buffer pixels, for
// the settings and back buffer as they are now.
ScreenArea SceneTextureArea();
