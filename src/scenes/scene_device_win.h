// What the three scenes do alike on the device: hand a core matrix to SetTransform, make
// and fill the two shared buffer slots at Init, open and close a frame (shown in the mirror
// windows too), and tell the user when the device refuses them. Main thread.
#pragma once

#include <windows.h>

#include <d3d8.h>

#include <cstdint>
#include <vector>

#include "scenes/math3d.h"
#include "scenes/scene_vertex.h"

static_assert(sizeof(D3DMATRIX) == sizeof(Matrix4), "Matrix4 is laid out like D3DMATRIX");

// The vertical field of view of the perspective scenes, pi / 4.
constexpr float kSceneFieldOfView = 0.7853982f;

// The perspective scenes' projection aspect: 1 on a back buffer of the primary monitor's
// size; on one that spans several monitors, its width-to-height ratio over the primary's, so
// that the shapes keep the look they have on the primary alone.
float SceneAspect();

// The texture states of a frame drawn at one texel per pixel where the texture has the
// screen's size: linear filters and clamped addressing (textures of any size need clamping
// on devices that take sizes other than powers of two only conditionally, and wrapping
// would blend each edge with the opposite one).
void SetVideoTextureStates();

void SetSceneTransform(D3DTRANSFORMSTATETYPE which, const Matrix4& matrix);

// Where a scene's failure is told: the run points it at its notice box (in every mode, unlike
// the run's own failures), a test at a recorder. Nothing is told while it is null.
typedef void (*SceneNoticeProc)(const char* text);
extern SceneNoticeProc sceneNotice;

// Tells "<what>  hr=0x<result in lower-case hex>" through sceneNotice.
void TellSceneFailure(const char* what, HRESULT result);

// Makes sceneVertexBuffer for vertexCount scene vertices (usage 0, default pool). A refusal
// is told in a notice and gives E_FAIL.
HRESULT CreateSceneVertexBuffer(UINT vertexCount);
// Locks the whole of sceneVertexBuffer; a refusal is told in a notice and gives E_FAIL,
// with *vertices left null so that nothing is written through it.
HRESULT LockSceneVertexBuffer(SceneVertex** vertices);

// Makes sceneIndexBuffer (16-bit indices, usage 0, default pool) and copies the list in.
// A refused creation gives E_FAIL silently; a refused lock is told and copies nothing.
HRESULT CreateSceneIndexBuffer(const std::vector<uint16_t>& indices);

// The frame every scene draws: cleared to opaque black with the depth buffer, scene begun;
// then ended and presented, whose result is the frame's. Failures inside are ignored on
// purpose: a failed frame is simply followed by the next.
void BeginSceneFrame();
HRESULT EndSceneFrame();

// Windows that show the same frame as the device's own, scaled to fill each: the other
// monitors' windows when every monitor shows the same picture. The frame is drawn once,
// copied into a swap chain of each window's own (made at the first frame after the list
// changes) and presented there without waiting for the retrace; only the device's own
// present waits for it.
extern std::vector<HWND> mirrorWindows;

// Empties mirrorWindows and releases their swap chains; called before any of the windows
// goes, since a reset or present of Direct3D's that still reaches a destroyed window does
// not return (seen under Wine). The device itself never presents into them, so nothing is
// presented here and a lost device is left the same way.
void LeaveMirrorWindows();

// Draws the shared buffers as an indexed triangle list with videoTexture (when there is
// one) on stage 0: the whole drawing of the grid and star scenes.
void DrawSceneBuffers(UINT vertexCount, UINT triangleCount);
