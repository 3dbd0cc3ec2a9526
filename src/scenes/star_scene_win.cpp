// The star scene on the device. Main thread only; the streaming thread only writes the
// texture that the stars show.
#include "scenes/star_scene_win.h"

#include <d3d8.h>

#include <ctime>

#include "scenes/device_objects_win.h"
#include "scenes/math3d.h"
#include "scenes/scene_device_win.h"
#include "scenes/scene_random.h"
#include "settings/options_record.h"

StarField starField;

namespace {

// Stars never hide each other by depth: later ones cover earlier ones, or add onto them
// when translucent, each weighted by its own fading alpha.
void SetStarStates(bool opaque) {
  d3dDevice->SetRenderState(D3DRS_ZENABLE, FALSE);
  d3dDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
  if (!opaque) {
    d3dDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d3dDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d3dDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  }
  SetVideoTextureStates();
  if (opaque) return;
  d3dDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d3dDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  d3dDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
  d3dDevice->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  d3dDevice->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
}

// The eye's distance from z = 0, where the stars come nearest before they are placed anew.
constexpr float kEyeDistance = 5.0f;

// Aspect 1 whatever the screen's shape, so the stars show stretched as the screen is (and as
// on the primary monitor when the picture spans them all).
void SetCamera() {
  SetSceneTransform(D3DTS_WORLD, MatrixIdentity());
  SetSceneTransform(D3DTS_VIEW,
                    MatrixLookAtLH(Vec3{0.0f, 0.0f, -kEyeDistance}, Vec3{0.0f, 0.0f, 0.0f}, Vec3{0.0f, 1.0f, 0.0f}));
  SetSceneTransform(D3DTS_PROJECTION, MatrixPerspectiveFovLH(kSceneFieldOfView, SceneAspect(), 1.0f, 2000.0f));
}

HRESULT FillVertexBuffer() {
  if (FAILED(CreateSceneVertexBuffer(starField.VertexCount()))) return E_FAIL;
  SceneVertex* locked = nullptr;
  if (FAILED(LockSceneVertexBuffer(&locked))) return E_FAIL;
  starField.WriteInitialVertices(locked);
  sceneVertexBuffer->Unlock();
  return S_OK;
}

}  // namespace

namespace StarScene {

HRESULT Init() {
  sceneRandom.Seed(static_cast<uint32_t>(std::time(nullptr)));
  const StarSettings settings = MakeStarSettings(saverOptions.starCount, saverOptions.starSpeed, saverOptions.starSize,
                                                 saverOptions.starTranslucent);
  SetStarStates(settings.starsOpaque);
  if (!starField.Init(settings, sceneRandom)) return E_OUTOFMEMORY;
  if (FAILED(FillVertexBuffer())) return E_FAIL;
  if (FAILED(CreateSceneIndexBuffer(starField.BuildIndices()))) return E_FAIL;
  SetCamera();
  return S_OK;
}

void Advance() {
  BYTE* data = nullptr;
  const bool locked = sceneVertexBuffer != nullptr && SUCCEEDED(sceneVertexBuffer->Lock(0, 0, &data, 0));
  starField.Advance(sceneRandom, locked ? reinterpret_cast<SceneVertex*>(data) : nullptr);
  if (locked) sceneVertexBuffer->Unlock();
}

HRESULT Draw() {
  BeginSceneFrame();
  const UINT stars = static_cast<UINT>(starField.Stars().size());
  DrawSceneBuffers(stars * kVerticesPerStar, stars * 2);
  return EndSceneFrame();
}

void Cleanup() { starField.Clear(); }

ScreenArea TextureArea() {
  const SIZE area = BackBufferSize();
  const StarSettings settings = MakeStarSettings(saverOptions.starCount, saverOptions.starSpeed, saverOptions.starSize,
                                                 saverOptions.starTranslucent);
  return ProjectedSquareArea(2 * settings.starHalfSize, kEyeDistance, kSceneFieldOfView, SceneAspect(), area.cx,
                             area.cy);
}

}  // namespace StarScene
