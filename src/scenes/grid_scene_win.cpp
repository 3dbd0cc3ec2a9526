// The grid scene on the device. Main thread only; the streaming thread only writes the
// texture that the tiles show.
#include "scenes/grid_scene_win.h"

#include <d3d8.h>

#include <algorithm>
#include <vector>

#include "scenes/device_objects_win.h"
#include "scenes/grid_geometry.h"
#include "scenes/math3d.h"
#include "scenes/scene_device_win.h"
#include "scenes/scene_dispatch_win.h"
#include "settings/options_record.h"

namespace {

// Fixed from Init on; a change of the settings shows at the next run.
GridLayout grid{};

// Tiles lie flat on the far plane and never overlap, so depth and lighting only cost.
void SetGridStates() {
  d3dDevice->SetRenderState(D3DRS_ZENABLE, FALSE);
  d3dDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
  // Clamped: mirrored tiles meet at the same edge of the picture, and wrapped addressing
  // would blend each edge texel with the opposite edge and draw a seam there.
  SetVideoTextureStates();
}

HRESULT FillVertexBuffer() {
  const std::vector<SceneVertex> vertices = BuildGridVertices(grid);
  if (FAILED(CreateSceneVertexBuffer(GridVertexCount(grid)))) return E_FAIL;
  SceneVertex* locked = nullptr;
  if (FAILED(LockSceneVertexBuffer(&locked))) return E_FAIL;
  std::copy(vertices.begin(), vertices.end(), locked);
  sceneVertexBuffer->Unlock();
  return S_OK;
}

}  // namespace

namespace GridScene {

HRESULT Init() {
  const SIZE area = BackBufferSize();  // the primary screen, or the desktop when the scene spans it
  screenWidth = area.cx;
  screenHeight = area.cy;
  grid = MakeGridLayout(screenWidth, screenHeight, saverOptions.gridColumns, saverOptions.gridRows,
                        saverOptions.gridStyle);
  SetGridStates();
  if (FAILED(FillVertexBuffer())) return E_FAIL;
  return CreateSceneIndexBuffer(BuildGridIndices(grid));
}

void Advance() {
  SetSceneTransform(D3DTS_PROJECTION,
                    MatrixOrthoLH(static_cast<float>(screenWidth), static_cast<float>(screenHeight), 0.0f, 1.0f));
  // Pixel centres sit at whole coordinates: the tiles move half a pixel left and up so that
  // a tile of the texture's own size puts each texel's centre on a pixel's centre.
  SetSceneTransform(D3DTS_WORLD, MatrixTranslation(-0.5f, 0.5f, 0.0f));
  SetSceneTransform(D3DTS_VIEW, MatrixIdentity());
}

HRESULT Draw() {
  BeginSceneFrame();
  DrawSceneBuffers(GridVertexCount(grid), static_cast<UINT>(grid.tileColumns * grid.tileRows * 2));
  return EndSceneFrame();
}

void Cleanup() {}

ScreenArea TextureArea() {
  const SIZE area = BackBufferSize();
  return GridTileArea(
      MakeGridLayout(area.cx, area.cy, saverOptions.gridColumns, saverOptions.gridRows, saverOptions.gridStyle));
}

}  // namespace GridScene
