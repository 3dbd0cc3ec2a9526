// Device work shared by the scenes. Main thread.
#include "scenes/scene_device_win.h"

#include <cstdio>
#include <cstring>

#include "scenes/device_objects_win.h"

SceneNoticeProc sceneNotice = nullptr;

void TellSceneFailure(const char* what, HRESULT result) {
  if (sceneNotice == nullptr) return;
  char text[160];
  std::snprintf(text, sizeof(text), "%s  hr=0x%x", what, static_cast<unsigned>(result));
  sceneNotice(text);
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

// Presents the back buffer into the device's own window. With no rectangle Present would
// take the size of the window it presented into last, which may be a mirror.
HRESULT PresentIntoDeviceWindow() {
  D3DDEVICE_CREATION_PARAMETERS created = {};
  RECT own = {};
  d3dDevice->GetCreationParameters(&created);
  GetClientRect(created.hFocusWindow, &own);
  return d3dDevice->Present(nullptr, &own, nullptr, nullptr);
}

}  // namespace

void LeaveMirrorWindows() {
  if (mirrorWindows.empty()) return;
  mirrorWindows.clear();
  if (d3dDevice != nullptr) PresentIntoDeviceWindow();
}

HRESULT EndSceneFrame() {
  d3dDevice->EndScene();
  if (mirrorWindows.empty()) return d3dDevice->Present(nullptr, nullptr, nullptr, nullptr);
  HRESULT result = PresentIntoDeviceWindow();
  for (HWND window : mirrorWindows) {
    RECT client;
    if (FAILED(result)) break;
    if (!IsWindowVisible(window) || !GetClientRect(window, &client)) continue;
    // The whole back buffer into the whole window: a monitor of another shape shows the
    // picture scaled to it.
    result = d3dDevice->Present(nullptr, &client, window, nullptr);
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
