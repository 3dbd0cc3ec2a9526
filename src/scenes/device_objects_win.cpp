// The process-wide Direct3D 8 objects of one run, the mirrors' swap chains with them. Main
// thread; see the header for the streaming thread's share.
#include "scenes/device_objects_win.h"

#include "base/com_ptr_win.h"
#include "base/system_library_win.h"

IDirect3D8* direct3D = nullptr;
IDirect3DDevice8* d3dDevice = nullptr;
IDirect3DTexture8* videoTexture = nullptr;
IDirect3DVertexBuffer8* sceneVertexBuffer = nullptr;
IDirect3DIndexBuffer8* sceneIndexBuffer = nullptr;
std::vector<MirrorSwapChain> mirrorSwapChains;
SIZE backBufferSize = {0, 0};

Direct3DCreateProc direct3DCreate = SystemDirect3DCreate8;

// d3d8.dll is not protected as a KnownDLL: imported by name, a file of that name beside the
// program would be loaded in its place, and a system without it would refuse to start the
// program at all instead of showing the device notice.
IDirect3D8* WINAPI SystemDirect3DCreate8(UINT sdkVersion) {
  static const auto create = LookUpSystemProc<Direct3DCreateProc>("d3d8.dll", "Direct3DCreate8");
  return create != nullptr ? create(sdkVersion) : nullptr;
}

namespace {

// Windowed in every mode: the full-screen look comes from the screen-sized popup, and the
// back buffer has the screen's size even in the small preview, where Present scales it.
D3DPRESENT_PARAMETERS PresentParameters(D3DFORMAT format) {
  const SIZE size = BackBufferSize();
  D3DPRESENT_PARAMETERS present = {};
  present.BackBufferWidth = UINT(size.cx);
  present.BackBufferHeight = UINT(size.cy);
  present.BackBufferFormat = format;
  present.BackBufferCount = 0;
  present.MultiSampleType = D3DMULTISAMPLE_NONE;
  present.SwapEffect = D3DSWAPEFFECT_COPY_VSYNC;
  present.hDeviceWindow = nullptr;
  present.Windowed = TRUE;
  present.EnableAutoDepthStencil = TRUE;
  present.AutoDepthStencilFormat = D3DFMT_D16;
  return present;
}

}  // namespace

SIZE BackBufferSize() {
  if (backBufferSize.cx > 0 && backBufferSize.cy > 0) return backBufferSize;
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

HRESULT CreateSaverDevice(HWND focusWindow) {
  direct3D = direct3DCreate(D3D_SDK_VERSION);
  if (direct3D == nullptr) return E_FAIL;

  D3DDISPLAYMODE mode;
  const HRESULT modeResult = direct3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode);
  if (FAILED(modeResult)) return modeResult;
  D3DPRESENT_PARAMETERS present = PresentParameters(mode.Format);

  // Multithreaded, because the graph's streaming thread fills videoTexture while the main
  // thread draws with it; the device serialises the two.
  const DWORD behaviour = D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED;
  IDirect3DDevice8* device = nullptr;
  const HRESULT result =
      direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, focusWindow, behaviour, &present, &device);
  if (SUCCEEDED(result)) d3dDevice = device;
  return result;
}

IDirect3DSwapChain8* CreateMirrorSwapChain(HWND window) {
  ComPtr<IDirect3DSurface8> frame;
  D3DSURFACE_DESC description;
  if (d3dDevice == nullptr || FAILED(d3dDevice->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, frame.Receive())) ||
      FAILED(frame->GetDesc(&description))) {
    return nullptr;
  }
  // Direct3D 8 takes a window's waiting from the swap effect alone (COPY does not wait) and
  // refuses any interval but the default for a window; Wine takes it from the interval alone
  // and waits at the default one. So the immediate interval first, the default one where it
  // is refused.
  const UINT intervals[] = {D3DPRESENT_INTERVAL_IMMEDIATE, D3DPRESENT_INTERVAL_DEFAULT};
  for (const UINT interval : intervals) {
    D3DPRESENT_PARAMETERS present = {};
    present.BackBufferWidth = description.Width;
    present.BackBufferHeight = description.Height;
    present.BackBufferFormat = description.Format;
    present.BackBufferCount = 1;
    present.MultiSampleType = D3DMULTISAMPLE_NONE;
    present.SwapEffect = D3DSWAPEFFECT_COPY;
    present.hDeviceWindow = window;
    present.Windowed = TRUE;
    present.EnableAutoDepthStencil = FALSE;  // nothing is drawn into it, the frame is copied
    present.FullScreen_PresentationInterval = interval;
    IDirect3DSwapChain8* chain = nullptr;
    if (SUCCEEDED(d3dDevice->CreateAdditionalSwapChain(&present, &chain))) return chain;
  }
  return nullptr;
}

void ReleaseMirrorSwapChains() {
  std::vector<MirrorSwapChain> chains;
  chains.swap(mirrorSwapChains);
  for (MirrorSwapChain& mirror : chains) ReleaseHolder(mirror.chain);
}

HRESULT ResetSaverDevice() {
  if (direct3D == nullptr || d3dDevice == nullptr) return E_UNEXPECTED;
  ReleaseMirrorSwapChains();
  D3DDISPLAYMODE mode;
  const HRESULT modeResult = direct3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode);
  if (FAILED(modeResult)) return modeResult;
  D3DPRESENT_PARAMETERS present = PresentParameters(mode.Format);
  return d3dDevice->Reset(&present);
}

void ReleaseDeviceObjects() {
  ReleaseMirrorSwapChains();
  ReleaseHolder(videoTexture);
  ReleaseHolder(sceneIndexBuffer);
  ReleaseHolder(sceneVertexBuffer);
  ReleaseHolder(d3dDevice);
  ReleaseHolder(direct3D);
}
