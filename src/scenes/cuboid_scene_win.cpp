// The cuboid scene on the device. Main thread only; the streaming thread only writes the
// texture that the boxes and the background show.
#include "scenes/cuboid_scene_win.h"

#include <d3d8.h>

#include <array>
#include <cstring>
#include <ctime>
#include <new>

#include "base/system_library_win.h"
#include "scenes/cuboid_geometry.h"
#include "scenes/cuboid_object_win.h"
#include "scenes/device_objects_win.h"
#include "scenes/math3d.h"
#include "scenes/scene_device_win.h"
#include "scenes/scene_dispatch_win.h"
#include "scenes/scene_random.h"
#include "settings/options_record.h"

namespace {

// winmm.dll is no KnownDLL, so its clock is looked up in the system folder rather than
// imported. Every Windows has it; were it missing, the tick count (the same milliseconds,
// only coarser) would pose the boxes.
DWORD WINAPI MultimediaTime() {
  static const auto time = LookUpSystemProc<CuboidClockProc>("winmm.dll", "timeGetTime");
  return time != nullptr ? time() : GetTickCount();
}

}  // namespace

CuboidClockProc cuboidClock = MultimediaTime;

namespace {

// All ten boxes are made whatever the count; only the first boxCount are drawn.
CuboidObject* boxes[kBoxSlots] = {};
IDirect3DTexture8* boxTexture = nullptr;  // the texture the boxes hold (videoTexture is made again at another size)
int32_t boxCount = 1;
bool backgroundShown = false;
BoxAxes boxAxes{};
float rotationDivisor = 800.0f;

const Vec3 kEye{0.0f, 3.0f, -100.0f};
constexpr float kEyeDistance = 100.0f;  // from the eye to the plane of the boxes' centres
const Vec3 kTarget{0.0f, 0.0f, 0.0f};
const Vec3 kUp{0.0f, 1.0f, 0.0f};

HRESULT MakeBackgroundQuad() {
  const SIZE area = BackBufferSize();  // the primary screen, or the desktop when the scene spans it
  screenWidth = area.cx;
  screenHeight = area.cy;
  const auto quad = BuildBackgroundQuad(screenWidth, screenHeight, ColorRefToArgb(saverOptions.backgroundColor));

  IDirect3DVertexBuffer8* buffer = nullptr;
  HRESULT result = d3dDevice->CreateVertexBuffer(sizeof(quad), 0, kSceneVertexFormat, D3DPOOL_DEFAULT, &buffer);
  if (FAILED(result)) {
    TellSceneFailure("Cube Initialization Failed!", result);
    return E_FAIL;
  }
  sceneVertexBuffer = buffer;
  BYTE* data = nullptr;
  result = sceneVertexBuffer->Lock(0, 0, &data, 0);
  if (FAILED(result)) {
    TellSceneFailure("Cube Initialization Failed!", result);
    return E_FAIL;
  }
  std::memcpy(data, quad.data(), sizeof(quad));
  sceneVertexBuffer->Unlock();
  return S_OK;
}

// Solid boxes hide their back faces and each other; translucent ones add every face onto
// what lies behind (the back buffer has no alpha, so the destination counts in full).
void SetBoxStates() {
  if (saverOptions.cuboidTranslucent == 0) {
    d3dDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    d3dDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    return;
  }
  d3dDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d3dDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d3dDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_DESTALPHA);
  d3dDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d3dDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
}

// A point light between the camera and the boxes, without fall-off; faces turned away from
// it show the ambient colour, so the blend colour tints the sides as they turn.
void SetLighting() {
  D3DLIGHT8 light = {};
  light.Type = D3DLIGHT_POINT;
  light.Diffuse = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 0.0f};
  light.Position = D3DVECTOR{0.0f, 0.0f, -50.0f};
  light.Range = 500.0f;
  light.Attenuation0 = 1.0f;
  d3dDevice->SetLight(0, &light);
  d3dDevice->LightEnable(0, TRUE);
  d3dDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
  d3dDevice->SetRenderState(D3DRS_AMBIENT, ColorRefToArgb(saverOptions.cuboidBlendColor));
}

// The video once more over the whole screen, tinted by the quad's colour through the stage-0
// states that the boxes left set.
void DrawBackground() {
  // Half a pixel left and up, so that a texture of the screen's size puts each texel's
  // centre on a pixel's centre (pixel centres sit at whole coordinates).
  SetSceneTransform(D3DTS_WORLD, MatrixTranslation(-0.5f, 0.5f, 0.0f));
  SetSceneTransform(D3DTS_VIEW, MatrixIdentity());
  SetSceneTransform(D3DTS_PROJECTION,
                    MatrixOrthoLH(static_cast<float>(screenWidth), static_cast<float>(screenHeight), 0.0f, 1.0f));
  d3dDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
  if (videoTexture != nullptr) d3dDevice->SetTexture(0, videoTexture);
  d3dDevice->SetStreamSource(0, sceneVertexBuffer, kSceneVertexStride);
  d3dDevice->SetVertexShader(kSceneVertexFormat);
  d3dDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
  d3dDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
}

}  // namespace

namespace CuboidScene {

HRESULT Init() {
  sceneRandom.Seed(static_cast<uint32_t>(std::time(nullptr)));
  boxCount = ClampBoxCount(saverOptions.cuboidCount);
  backgroundShown = saverOptions.showBackground != 0;

  const float edge = BoxEdgeForCount(boxCount);
  for (CuboidObject*& box : boxes) {
    // A box that cannot be allocated leaves its holder empty; Draw and Cleanup skip it.
    box = new (std::nothrow) CuboidObject(d3dDevice, true, Vec3{edge, edge, edge});
    if (box != nullptr) box->SetTexture(videoTexture);
  }
  boxTexture = videoTexture;
  if (backgroundShown && FAILED(MakeBackgroundQuad())) return E_FAIL;

  SetBoxStates();
  SetVideoTextureStates();
  SetLighting();
  // Drawn whatever the rotation setting says, so that the draws do not depend on it.
  boxAxes = DrawBoxAxes(sceneRandom);
  return S_OK;
}

void Advance() {}

HRESULT Draw() {
  SetSceneTransform(D3DTS_WORLD, MatrixIdentity());
  rotationDivisor = ClampRotationDivisor(saverOptions.rotationSpeed);
  const BoxAxes axes = ChooseBoxAxes(saverOptions.rotationAngle, boxAxes);

  // The pose follows the absolute clock, read anew for every box, so the speed does not
  // depend on the frame rate.
  std::array<Matrix4, kBoxSlots> rotations;
  for (int32_t i = 0; i < kBoxSlots; ++i)
    rotations[i] = MatrixRotationAxis(axes[i], RotationAngleAt(cuboidClock(), rotationDivisor));
  if (boxTexture != videoTexture) {
    for (CuboidObject* box : boxes)
      if (box != nullptr) box->SetTexture(videoTexture);
    boxTexture = videoTexture;
  }
  BeginSceneFrame();
  if (backgroundShown) DrawBackground();
  SetSceneTransform(D3DTS_VIEW, MatrixLookAtLH(kEye, kTarget, kUp));
  // Aspect 1 on the screen-shaped back buffer: the cubes show stretched as the screen is
  // (and as on the primary monitor when the picture spans them all).
  SetSceneTransform(D3DTS_PROJECTION, MatrixPerspectiveFovLH(kSceneFieldOfView, SceneAspect(), 1.0f, 500.0f));
  for (int32_t i = 0; i < boxCount; ++i) {
    const BoxPlace& place = boxLayout[boxCount - 1][i];
    SetSceneTransform(D3DTS_WORLD, MatrixMultiply(rotations[i], MatrixTranslation(place.x, place.y, 0.0f)));
    if (boxes[i] != nullptr) boxes[i]->Render();
  }
  return EndSceneFrame();
}

void Cleanup() {
  for (CuboidObject*& box : boxes) {
    delete box;
    box = nullptr;
  }
  boxTexture = nullptr;
}

ScreenArea TextureArea() {
  const SIZE area = BackBufferSize();
  if (saverOptions.showBackground != 0) return ScreenArea{area.cx, area.cy};
  // A face turned straight at the eye, at the front of its box.
  const float edge = BoxEdgeForCount(ClampBoxCount(saverOptions.cuboidCount));
  return ProjectedSquareArea(edge, kEyeDistance - edge / 2, kSceneFieldOfView, SceneAspect(), area.cx, area.cy);
}

}  // namespace CuboidScene
