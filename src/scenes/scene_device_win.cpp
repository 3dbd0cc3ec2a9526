// Device work shared by the scenes, the mirrors' copies and presents included. Main thread.
#include "scenes/scene_device_win.h"

#include <cstdio>
#include <cstring>

#include "base/com_ptr_win.h"
#include "scenes/device_objects_win.h"

SceneNoticeProc sceneNotice = nullptr;

void TellSceneFailure(const char* what, HRESULT result) {
  if (sceneNotice == nullptr) return;
  char text[160];
  std::snprintf(text, sizeof(text), "%s  hr=0x%x", what, static_cast<unsigned>(result));
  sceneNotice(text);
}

float SceneAspect() {
  const SIZE back = BackBufferSize();
  return SpanningAspect(back.cx, back.cy, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

void SetVideoTextureStates() {
  d3dDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
  d3dDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
  d3dDevice->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
  d3dDevice->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
}

void SetSceneTransform(D3DTRANSFORMSTATETYPE which, const Matrix4& matrix) {
  d3dDevice->SetTransform(which, reinterpret_cast<const D3DMATRIX*>(&matrix));
}

HRESULT CreateSceneVertexBuffer(UINT vertexCount) {
  IDirect3DVertexBuffer8* buffer = nullptr;
  const HRESULT result =
      d3dDevice->CreateVertexBuffer(vertexCount * kSceneVertexStride, 0, kSceneVertexFormat, D3DPOOL_DEFAULT, &buffer);
  if (FAILED(result)) {
    TellSceneFailure("Could not create a vertex buffer!", result);
    return E_FAIL;
  }
  sceneVertexBuffer = buffer;
  return S_OK;
}

HRESULT LockSceneVertexBuffer(SceneVertex** vertices) {
  *vertices = nullptr;
  BYTE* data = nullptr;
  const HRESULT result = sceneVertexBuffer->Lock(0, 0, &data, 0);
  if (FAILED(result)) {
    TellSceneFailure("Could not lock the vertex buffer!", result);
    return E_FAIL;
  }
  *vertices = reinterpret_cast<SceneVertex*>(data);
  return S_OK;
}

HRESULT CreateSceneIndexBuffer(const std::vector<uint16_t>& indices) {
  const UINT bytes = static_cast<UINT>(indices.size() * sizeof(uint16_t));
  IDirect3DIndexBuffer8* buffer = nullptr;
  if (FAILED(d3dDevice->CreateIndexBuffer(bytes, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &buffer))) return E_FAIL;
  sceneIndexBuffer = buffer;

  BYTE* data = nullptr;
  const HRESULT result = sceneIndexBuffer->Lock(0, bytes, &data, 0);
  if (FAILED(result)) {
    TellSceneFailure("Could not lock the index buffer!", result);
    return E_FAIL;
  }
  std::memcpy(data, indices.data(), bytes);
  sceneIndexBuffer->Unlock();
  return S_OK;
}

void BeginSceneFrame() {
  d3dDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  d3dDevice->BeginScene();
}

std::vector<HWND> mirrorWindows;

namespace {

// The swap chains follow the list the run fills: all made again when it is not the list they
// were made for (a new layout, or a reset that released them). A window's size does not
// matter, their back buffers are the device's.
void FollowMirrorWindows() {
  bool same = mirrorSwapChains.size() == mirrorWindows.size();
  for (size_t i = 0; same && i < mirrorWindows.size(); ++i) same = mirrorSwapChains[i].window == mirrorWindows[i];
  if (same) return;
  ReleaseMirrorSwapChains();
  for (HWND window : mirrorWindows) mirrorSwapChains.push_back({window, CreateMirrorSwapChain(window)});
}

bool ShowsMirror(const MirrorSwapChain& mirror) { return mirror.chain != nullptr && IsWindowVisible(mirror.window); }

// A copy of the same size and format: the only kind Direct3D 8 offers (CopyRects does not
// stretch), and the mirror's Present then scales the whole frame to its window.
void CopyFrameToMirrors() {
  ComPtr<IDirect3DSurface8> frame;
  if (FAILED(d3dDevice->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, frame.Receive()))) return;
  for (const MirrorSwapChain& mirror : mirrorSwapChains) {
    ComPtr<IDirect3DSurface8> target;
    if (!ShowsMirror(mirror) || FAILED(mirror.chain->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, target.Receive())))
      continue;
    d3dDevice->CopyRects(frame.Get(), nullptr, 0, target.Get(), nullptr);
  }
}

}  // namespace

void LeaveMirrorWindows() {
  mirrorWindows.clear();
  ReleaseMirrorSwapChains();
}

HRESULT EndSceneFrame() {
  d3dDevice->EndScene();
  FollowMirrorWindows();
  if (!mirrorSwapChains.empty()) CopyFrameToMirrors();
  // The device's own present is the one that waits for the retrace; the mirrors follow at
  // once with the same frame.
  HRESULT result = d3dDevice->Present(nullptr, nullptr, nullptr, nullptr);
  for (const MirrorSwapChain& mirror : mirrorSwapChains) {
    if (FAILED(result)) break;
    if (ShowsMirror(mirror)) result = mirror.chain->Present(nullptr, nullptr, nullptr, nullptr);
  }
  return result;
}

void DrawSceneBuffers(UINT vertexCount, UINT triangleCount) {
  if (videoTexture != nullptr) d3dDevice->SetTexture(0, videoTexture);
  d3dDevice->SetStreamSource(0, sceneVertexBuffer, kSceneVertexStride);
  d3dDevice->SetVertexShader(kSceneVertexFormat);
  d3dDevice->SetIndices(sceneIndexBuffer, 0);
  d3dDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, vertexCount, 0, triangleCount);
}
