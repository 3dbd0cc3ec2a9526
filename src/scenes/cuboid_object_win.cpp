// One box of the cuboid scene on the device. Main thread only.
#include "scenes/cuboid_object_win.h"

#include <cstring>

#include "base/com_ptr_win.h"
#include "scenes/cuboid_geometry.h"

namespace {

constexpr D3DCOLORVALUE kWhite{1.0f, 1.0f, 1.0f, 0.0f};
constexpr D3DCOLORVALUE kNone{0.0f, 0.0f, 0.0f, 0.0f};
constexpr UINT kVertexBytes = kCuboidVertexCount * kCuboidVertexStride;

}  // namespace

CuboidObject::CuboidObject(IDirect3DDevice8* boxDevice, bool lit, const Vec3& boxSize)
    : device(boxDevice), size(boxSize) {
  // The box takes the colour of the light that reaches it: ambient plus diffuse, times the
  // texture.
  if (lit) SetMaterial(kWhite, kWhite, kNone, kNone, 0.0f);
  if (SUCCEEDED(CreateVertexBuffer())) BuildGeometry();
}

CuboidObject::~CuboidObject() {
  ReleaseHolder(texture);
  ReleaseHolder(vertexBuffer);
}

HRESULT CuboidObject::CreateVertexBuffer() {
  IDirect3DVertexBuffer8* buffer = nullptr;
  if (FAILED(device->CreateVertexBuffer(kVertexBytes, 0, kCuboidVertexFormat, D3DPOOL_DEFAULT, &buffer))) return E_FAIL;
  vertexBuffer = buffer;
  return S_OK;
}

bool CuboidObject::BuildGeometry() {
  const CuboidVertices vertices = BuildCuboidVertices(size);
  static_assert(sizeof(vertices) == kVertexBytes, "36 vertices of 32 bytes");
  BYTE* data = nullptr;
  if (FAILED(vertexBuffer->Lock(0, kVertexBytes, &data, 0))) return false;
  std::memcpy(data, vertices.data(), kVertexBytes);
  vertexBuffer->Unlock();
  return true;
}

bool CuboidObject::SetTexture(IDirect3DTexture8* newTexture) {
  if (newTexture != nullptr) newTexture->AddRef();
  ReleaseHolder(texture);
  texture = newTexture;
  return true;
}

bool CuboidObject::SetMaterial(const D3DCOLORVALUE& diffuse, const D3DCOLORVALUE& ambient,
                               const D3DCOLORVALUE& specular, const D3DCOLORVALUE& emissive, float power) {
  material.Diffuse = diffuse;
  material.Ambient = ambient;
  material.Specular = specular;
  material.Emissive = emissive;
  material.Power = power;
  return true;
}

bool CuboidObject::Render() {
  // Binding a missing buffer would succeed and leave the draw to whatever stream was set.
  if (vertexBuffer == nullptr) return false;
  if (FAILED(device->SetStreamSource(0, vertexBuffer, kCuboidVertexStride))) return false;
  if (FAILED(device->SetVertexShader(kCuboidVertexFormat))) return false;

  // Without a texture only the lit colour would show; the scene always attaches one, so
  // such a box is not drawn at all.
  if (texture == nullptr) {
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
    return false;
  }
  // These stay set after the box: the background quad of the next frame is drawn with them
  // as texture times vertex colour. Their results do not decide whether the box is drawn.
  device->SetTexture(0, texture);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
  device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
  device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
  if (FAILED(device->SetMaterial(&material))) return false;
  return SUCCEEDED(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, kCuboidTriangleCount));
}
