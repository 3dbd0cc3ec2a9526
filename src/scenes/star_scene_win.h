// The star scene (shape 3 and every shape value other than 1 and 2): up to a thousand
// small video-textured squares flying towards the viewer. Main thread only.
#pragma once

#include <windows.h>

#include "scenes/math3d.h"

#include "scenes/star_field.h"

namespace StarScene {

// Places the stars from a generator seeded with the clock's second, builds both buffers,
// sets the states and the camera. E_OUTOFMEMORY when the stars cannot be allocated, E_FAIL
// when a buffer cannot be made or filled (after a notice, except for a refused index
// buffer).
HRESULT Init();
// Moves, fades and respawns the stars and writes them into the vertex buffer; when the
// buffer cannot be locked the stars still move and the frame shows their last places.
void Advance();
// Draws all stars in one call and presents; the result is Present's.
HRESULT Draw();
// Frees the stars, also after an Init that stopped part-way.
void Cleanup();
// Where the scene shows the whole video texture largest, from the settings and the back
// buffer's size as they are now (also before Init).
ScreenArea TextureArea();

}  // namespace StarScene

// The stars of the run. Owned by the scene; visible so that a test can put a star where it
// wants one.
extern StarField starField;
