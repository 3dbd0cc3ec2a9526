// Makes chosen calls of the real Wine device refuse, for the scenes' failure paths: the
// device cannot be told to run out of buffers or to refuse a lock on demand. The calls are
// intercepted by giving the device (and the one buffer picked) a copy of its method table
// with a few entries replaced; everything else reaches the real device. Main thread only.
#pragma once

#include <windows.h>

// Takes over the method table of `device` (an IDirect3DDevice8*) until Remove is called,
// which must happen while the device is still alive. Clears all pending faults.
void InstallDeviceFaults(void* device);
void RemoveDeviceFaults();

// The next vertex buffer creation with this vertex format answers `result`, once.
void FailVertexBufferCreation(DWORD format, HRESULT result);
// The next index buffer creation answers `result`, once.
void FailIndexBufferCreation(HRESULT result);
// The next vertex buffer made with this format locks `locksFirst` times as usual; its
// following lock answers `result` (with no memory), after which it is itself again.
void FailVertexBufferLock(DWORD format, int locksFirst, HRESULT result);
// The same for the next index buffer.
void FailIndexBufferLock(int locksFirst, HRESULT result);

// The next `presentsLost` Presents report the device lost; then TestCooperativeLevel says
// D3DERR_DEVICELOST `levelsLost` times and D3DERR_DEVICENOTRESET until a Reset, which the
// real device carries out. Presents between the loss and the reset report it too.
void LoseDevice(int presentsLost, int levelsLost);
// The next `count` Resets answer `result` without touching the device (one too large for it).
void RefuseResets(int count, HRESULT result);
// Resets that succeeded, and Presents that succeeded after the first one, since Install.
int DeviceResets();
int PresentsAfterReset();
// Presents asked for after a loss was reported and before the reset.
int PresentsWhileLost();
// The device's Presents asked for since Install, refused ones included (a swap chain's own
// Present is not the device's).
int DevicePresents();
