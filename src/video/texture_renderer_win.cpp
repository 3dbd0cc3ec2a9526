// The texture renderer and the frame surface. Threads as in the header.
#include "video/texture_renderer_win.h"

#include <cstdlib>

#include "shell/com_ptr_win.h"
#include "shell/device_objects_win.h"
#include "video/pixel_convert.h"

const CLSID kTextureRendererClassId = {
    0x71771540, 0x2017, 0x11CF, {0xAE, 0x26, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x67}};

HDC frameDC = CreateCompatibleDC(nullptr);
HDRAWDIB drawDib = nullptr;
BITMAPINFO frameHeader = {};
HBITMAP frameBitmap = nullptr;
BYTE* frameBits = nullptr;
BYTE* frameCursor = nullptr;
BITMAPINFOHEADER videoHeader = {};
D3DFORMAT textureFormat = D3DFMT_UNKNOWN;

namespace {

// The bitmap that frameDC held before frameBitmap, put back before frameBitmap is deleted
// (a bitmap still selected into a DC cannot be deleted).
HGDIOBJ initialBitmap = nullptr;

// DrawDib refuses top-down sources on some systems (Wine's does). Once it has refused the
// connected format, frames are drawn as bottom-up and their rows reversed in the copy.
bool topDownRefused = false;

int32_t Magnitude(LONG value) {
  if (value == LONG(0x80000000)) return 0x7FFFFFFF;
  return value < 0 ? -value : value;
}

// Bytes that the scaler reads from one frame of the connected format.
int64_t ImageBytes(const BITMAPINFOHEADER& header) {
  const int64_t stride = (int64_t(header.biWidth) * header.biBitCount + 31) / 32 * 4;
  return stride * Magnitude(header.biHeight);
}

// Scales one frame into the frame surface. True when it was drawn; *upsideDown then says
// whether the rows landed top line first.
bool ScaleFrame(const BYTE* data, TextureRenderer& renderer, bool* upsideDown) {
  *upsideDown = false;
  const bool topDown = videoHeader.biHeight < 0;
  if (!(topDown && topDownRefused)) {
    if (DrawDibDraw(drawDib, frameDC, 0, 0, kFrameSide, kFrameSide, &videoHeader, const_cast<BYTE*>(data), 0,
                    0, renderer.videoWidth, renderer.videoHeight, 0)) {
      return true;
    }
    if (!topDown) return false;
    topDownRefused = true;
  }
  BITMAPINFOHEADER bottomUp = videoHeader;
  bottomUp.biHeight = renderer.videoHeight;
  if (!DrawDibDraw(drawDib, frameDC, 0, 0, kFrameSide, kFrameSide, &bottomUp, const_cast<BYTE*>(data), 0, 0,
                   renderer.videoWidth, renderer.videoHeight, 0)) {
    return false;
  }
  *upsideDown = true;
  return true;
}

}  // namespace

HRESULT CreateTextureWithFallback(IDirect3DDevice8* device, UINT width, UINT height, UINT levels,
                                  DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DTexture8** texture) {
  if (device == nullptr || texture == nullptr) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  ComPtr<IDirect3D8> d3d;
  D3DDEVICE_CREATION_PARAMETERS creation;
  D3DDISPLAYMODE mode;
  HRESULT result = device->GetDirect3D(d3d.Receive());
  if (SUCCEEDED(result)) result = device->GetCreationParameters(&creation);
  if (SUCCEEDED(result)) result = device->GetDisplayMode(&mode);
  if (FAILED(result)) return result;

  auto canMake = [&](D3DFORMAT candidate) {
    return SUCCEEDED(d3d->CheckDeviceFormat(creation.AdapterOrdinal, creation.DeviceType, mode.Format, usage,
                                            D3DRTYPE_TEXTURE, candidate));
  };
  D3DFORMAT chosen = format;
  if (!canMake(chosen)) {
    chosen = D3DFMT_A1R5G5B5;
    if (!canMake(chosen)) return D3DERR_NOTAVAILABLE;
  }
  return device->CreateTexture(width, height, levels, usage, chosen, pool, texture);
}

bool CreateFrameSurface() {
  drawDib = DrawDibOpen();   // a failure shows in the first DrawDibDraw

  ZeroMemory(&frameHeader, sizeof frameHeader);
  BITMAPINFOHEADER& header = frameHeader.bmiHeader;
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = kFrameSide;
  header.biHeight = kFrameSide;   // positive: bottom-up, row 0 is the bottom line
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = kFrameBytes;

  // A run deletes frameDC at its end; a later run in the same process (the tests make
  // many) needs a new one.
  if (frameDC == nullptr) frameDC = CreateCompatibleDC(nullptr);

  void* bits = nullptr;
  frameBitmap = CreateDIBSection(frameDC, &frameHeader, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (frameBitmap == nullptr) return false;
  frameBits = static_cast<BYTE*>(bits);
  initialBitmap = SelectObject(frameDC, frameBitmap);
  frameCursor = frameBits;

  return SUCCEEDED(CreateTextureWithFallback(d3dDevice, kFrameSide, kFrameSide, 1, 0, D3DFMT_A8R8G8B8,
                                             D3DPOOL_MANAGED, &videoTexture));
}

void ReleaseFrameSurface() {
  if (frameBitmap) {
    if (frameDC && initialBitmap) SelectObject(frameDC, initialBitmap);
    DeleteObject(frameBitmap);
    frameBitmap = nullptr;
  }
  initialBitmap = nullptr;
  if (drawDib) DrawDibClose(drawDib);
  drawDib = nullptr;
  if (frameDC) DeleteDC(frameDC);
  frameDC = nullptr;
  frameBits = nullptr;
  frameCursor = nullptr;
}

TextureRenderer::TextureRenderer(IUnknown* owner, HRESULT* result)
    : RendererBase(kTextureRendererClassId, owner, result) {}

HRESULT TextureRenderer::CheckMediaType(const AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  if (type->formattype != FORMAT_VideoInfo || type->pbFormat == nullptr ||
      type->cbFormat < sizeof(VIDEOINFOHEADER)) {
    return E_INVALIDARG;
  }
  if (type->majortype != MEDIATYPE_Video) return E_FAIL;
  return type->subtype == MEDIASUBTYPE_RGB24 ? S_OK : E_FAIL;
}

HRESULT TextureRenderer::SetMediaType(const AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  if (type->pbFormat == nullptr || type->cbFormat < sizeof(VIDEOINFOHEADER)) return VFW_E_TYPE_NOT_ACCEPTED;
  videoHeader = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader;
  videoWidth = videoHeader.biWidth;
  videoHeight = Magnitude(videoHeader.biHeight);
  sourcePitch = kFramePitch;
  topDownRefused = false;

  if (videoTexture == nullptr) return E_UNEXPECTED;
  D3DSURFACE_DESC description;
  const HRESULT described = videoTexture->GetLevelDesc(0, &description);
  if (FAILED(described)) return described;
  textureFormat = description.Format;
  if (textureFormat == D3DFMT_A8R8G8B8 || textureFormat == D3DFMT_A1R5G5B5) return S_OK;
  return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TextureRenderer::DoRenderSample(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  if (videoTexture == nullptr || frameBits == nullptr) return E_UNEXPECTED;

  BYTE* data = nullptr;
  const HRESULT pointed = sample->GetPointer(&data);
  if (FAILED(pointed)) return pointed;
  // A damaged stream must not make the scaler read past the end of the sample.
  if (videoWidth <= 0 || videoHeight <= 0 || sample->GetActualDataLength() < ImageBytes(videoHeader)) {
    return E_FAIL;
  }

  if (frameCursor != frameBits) frameCursor = frameBits;
  bool upsideDown = false;
  if (!ScaleFrame(data, *this, &upsideDown)) return E_FAIL;
  GdiFlush();   // the scaler may batch its drawing; the copy reads the bits directly

  D3DLOCKED_RECT locked;
  if (FAILED(videoTexture->LockRect(0, &locked, nullptr, 0))) return E_FAIL;
  // Row 0 of the texture is the bottom line: the frame surface's row 0, or its last row
  // when the frame was drawn top line first. A format other than the two is left unwritten.
  const TextureFormat format = static_cast<TextureFormat>(textureFormat);
  uint8_t* target = static_cast<uint8_t*>(locked.pBits);
  if (upsideDown) {
    ConvertFrameToTextureReversed(frameCursor, format, target, locked.Pitch);
  } else {
    ConvertFrameToTexture(frameCursor, format, target, locked.Pitch);
  }
  if (FAILED(videoTexture->UnlockRect(0))) return E_FAIL;

  frameCursor = frameBits;
  return S_OK;
}
