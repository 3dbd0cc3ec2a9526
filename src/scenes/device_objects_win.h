// The process-wide Direct3D 8 objects of one run: their holders, the device creation and
// their release, and the swap chains of the windows that mirror the device's picture. The
// scenes draw with them; the run loop makes, resets and releases the device, and the frame
// surface (video/) makes videoTexture and fills it. Created and released on the main thread;
// the device is multithreaded, so a video's thread may use d3dDevice and videoTexture while
// the run is on.
#pragma once

#include <windows.h>

#include <d3d8.h>

#include <vector>

extern IDirect3D8* direct3D;
extern IDirect3DDevice8* d3dDevice;
extern IDirect3DTexture8* videoTexture;
extern IDirect3DVertexBuffer8* sceneVertexBuffer;
extern IDirect3DIndexBuffer8* sceneIndexBuffer;

// A swap chain per window that shows the device's picture besides the device's own (the
// mirrors of scene_device_win), in the order of those windows. They are in the default pool:
// ResetSaverDevice releases them before the reset, ReleaseDeviceObjects before the device.
struct MirrorSwapChain {
  HWND window;
  IDirect3DSwapChain8* chain;  // null where the device refused one
};
extern std::vector<MirrorSwapChain> mirrorSwapChains;

// A windowed swap chain for `window` with a back buffer of the device's size and format, so
// that the frame is copied into it whole and its Present scales it to the window; it does not
// wait for the retrace. Null when the device refuses one.
IDirect3DSwapChain8* CreateMirrorSwapChain(HWND window);
// Releases every mirror swap chain and empties the list; harmless when it is empty.
void ReleaseMirrorSwapChains();

// The back buffer's size for CreateSaverDevice and ResetSaverDevice: the primary screen's
// while this is {0, 0}; a run that draws one scene across every monitor sets the desktop's.
extern SIZE backBufferSize;
SIZE BackBufferSize();  // the size in effect

// Makes direct3D and a windowed HAL device of BackBufferSize() on the default adapter. On failure
// whatever was made stays in its holder for ReleaseDeviceObjects.
HRESULT CreateSaverDevice(HWND focusWindow);

// Resets d3dDevice to the parameters of a new device for BackBufferSize() as it is now (after a
// lost device, or a new display size). What lives in the default pool (the scenes' buffers)
// must be released first, except the mirror swap chains, which this releases itself; the
// managed videoTexture survives. Main thread.
HRESULT ResetSaverDevice();

// Releases the mirror swap chains and the five device objects, the texture first of those and
// the Direct3D object last; harmless for holders that are empty.
void ReleaseDeviceObjects();

// The entry point that makes the Direct3D object. Always SystemDirect3DCreate8 in the
// program; a test may point it at a function that returns null to see a device that cannot
// be made.
typedef IDirect3D8*(WINAPI* Direct3DCreateProc)(UINT sdkVersion);
extern Direct3DCreateProc direct3DCreate;

// Direct3DCreate8 of the system folder's d3d8.dll, loaded on first use and kept; null, like a
// Direct3DCreate8 that fails, on a system without Direct3D 8.
IDirect3D8* WINAPI SystemDirect3DCreate8(UINT sdkVersion);
