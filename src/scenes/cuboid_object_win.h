// One textured, lit box on the device: its 36 vertices in a buffer of its own, filled once
// when it is made, drawn with one call under whatever world transform is set. Made, drawn
// and destroyed by the cuboid scene on the main thread; the texture it shows is written by
// the streaming thread meanwhile, the box only binds it.
#pragma once

#include <windows.h>

#include <d3d8.h>

#include "scenes/math3d.h"

class CuboidObject {
 public:
  // Builds the whole box; never fails as such: a box whose buffer cannot be made or filled
  // exists and draws nothing. A lit box takes the white lighting material.
  CuboidObject(IDirect3DDevice8* device, bool lit, const Vec3& size);
  // Gives back the texture reference and the buffer.
  virtual ~CuboidObject();

  CuboidObject(const CuboidObject&) = delete;
  CuboidObject& operator=(const CuboidObject&) = delete;

  // Shows texture on all six faces; the box keeps a reference of its own.
  bool SetTexture(IDirect3DTexture8* newTexture);
  bool SetMaterial(const D3DCOLORVALUE& diffuse, const D3DCOLORVALUE& ambient, const D3DCOLORVALUE& specular,
                   const D3DCOLORVALUE& emissive, float power);
  // Draws with the device's current transforms and states and leaves the stage-0 states,
  // stream, vertex format and material set. True when the box was drawn.
  bool Render();

 private:
  HRESULT CreateVertexBuffer();
  bool BuildGeometry();

  IDirect3DDevice8* device;  // not owned: the box never outlives the device
  IDirect3DVertexBuffer8* vertexBuffer = nullptr;
  IDirect3DTexture8* texture = nullptr;
  D3DMATERIAL8 material = {};
  Vec3 size;
};
