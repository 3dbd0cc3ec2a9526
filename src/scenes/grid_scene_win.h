// The grid scene (shape 2): the screen covered with tiles that each show the whole video
// picture, upright or as a mirror mosaic. Its buffers live in the shared device slots and
// go with the device. Main thread only.
#pragma once

#include <windows.h>

#include "scenes/math3d.h"

namespace GridScene {

// Reads the screen size and the grid settings and builds both buffers once. E_FAIL when a
// buffer cannot be made or filled (after a notice, except for a refused index buffer).
HRESULT Init();
// Sets the screen-pixel projection and identity world and view for the coming frame.
void Advance();
// Draws all tiles in one call and presents; the result is Present's.
HRESULT Draw();
// The grid owns nothing beyond the shared slots.
void Cleanup();
// Where the scene shows the whole video texture largest, from the settings and the back
// buffer's size as they are now (also before Init).
ScreenArea TextureArea();

}  // namespace GridScene
