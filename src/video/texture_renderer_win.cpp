// The texture renderer and the frame surface. Threads as in the header.
#include "video/texture_renderer_win.h"

#include <cstdlib>

#include "base/com_ptr_win.h"
#include "base/device_objects_win.h"
#include "video/draw_dib_win.h"
#include "video/frame_scaler.h"
#include "video/pixel_convert.h"
#include "video/video_format.h"

const CLSID kTextureRendererClassId = {0x71771540, 0x2017, 0x11CF, {0xAE, 0x26, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x67}};

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

// Scales every frame of the connected format; its tables are worked out when the type is
// set (main thread), then used by the streaming thread only.
FrameScaler frameScaler;

int32_t Magnitude(LONG value) {
  if (value == LONG(0x80000000)) return 0x7FFFFFFF;
  return value < 0 ? -value : value;
}

VideoFormatFields FieldsOf(const BITMAPINFOHEADER& header) {
  return {header.biWidth, header.biHeight, header.biBitCount, header.biCompression, header.biSizeImage};
}

}  // namespace

HRESULT CreateTextureWithFallback(IDirect3DDevice8* device, UINT width, UINT height, UINT levels, DWORD usage,
                                  D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** texture) {
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
  drawDib = OpenDrawDib();  // kept open for the run as ever; the frames are drawn by frameScaler

  ZeroMemory(&frameHeader, sizeof frameHeader);
  BITMAPINFOHEADER& header = frameHeader.bmiHeader;
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = kFrameSide;
  header.biHeight = kFrameSide;  // positive: bottom-up, row 0 is the bottom line
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

  return SUCCEEDED(CreateTextureWithFallback(d3dDevice, kFrameSide, kFrameSide, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                             &videoTexture));
}

void ReleaseFrameSurface() {
  if (frameBitmap) {
    if (frameDC && initialBitmap) SelectObject(frameDC, initialBitmap);
    DeleteObject(frameBitmap);
    frameBitmap = nullptr;
  }
  initialBitmap = nullptr;
  CloseDrawDib(drawDib);
  drawDib = nullptr;
  if (frameDC) DeleteDC(frameDC);
  frameDC = nullptr;
  frameBits = nullptr;
  frameCursor = nullptr;
}

HRESULT ReadTextureFormat() {
  if (videoTexture == nullptr) return E_UNEXPECTED;
  D3DSURFACE_DESC description;
  const HRESULT described = videoTexture->GetLevelDesc(0, &description);
  if (FAILED(described)) return described;
  textureFormat = description.Format;
  if (textureFormat == D3DFMT_A8R8G8B8 || textureFormat == D3DFMT_A1R5G5B5) return S_OK;
  return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT DrawFrameIntoTexture(FrameScaler& scaler, const uint8_t* frame, uint64_t frameBytes, int32_t width,
                             int32_t height) {
  if (videoTexture == nullptr || frameBits == nullptr) return E_UNEXPECTED;
  if (frameCursor != frameBits) frameCursor = frameBits;
  if (!scaler.Scale(frame, frameBytes, width, height, frameBits)) return E_FAIL;

  D3DLOCKED_RECT locked;
  if (FAILED(videoTexture->LockRect(0, &locked, nullptr, 0))) return E_FAIL;
  // Row 0 of the texture is the bottom line, row 0 of the frame surface. A format other
  // than the two is left unwritten.
  ConvertFrameToTexture(frameCursor, static_cast<TextureFormat>(textureFormat), static_cast<uint8_t*>(locked.pBits),
                        locked.Pitch);
  if (FAILED(videoTexture->UnlockRect(0))) return E_FAIL;

  frameCursor = frameBits;
  return S_OK;
}

TextureRenderer::TextureRenderer(IUnknown* owner, HRESULT* result)
    : RendererBase(kTextureRendererClassId, owner, result) {}

HRESULT TextureRenderer::CheckMediaType(const AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  if (type->formattype != FORMAT_VideoInfo || type->pbFormat == nullptr || type->cbFormat < sizeof(VIDEOINFOHEADER)) {
    return E_INVALIDARG;
  }
  if (type->majortype != MEDIATYPE_Video) return E_FAIL;
  if (type->subtype != MEDIASUBTYPE_RGB24) return E_FAIL;
  // The subtype alone does not make the header honest: the frame is drawn by the header.
  const BITMAPINFOHEADER& header = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader;
  return IsAcceptedVideoFormat(FieldsOf(header)) ? S_OK : E_FAIL;
}

HRESULT TextureRenderer::SetMediaType(const AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  if (type->pbFormat == nullptr || type->cbFormat < sizeof(VIDEOINFOHEADER)) return VFW_E_TYPE_NOT_ACCEPTED;
  const BITMAPINFOHEADER& offered = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader;
  if (!IsAcceptedVideoFormat(FieldsOf(offered))) return VFW_E_TYPE_NOT_ACCEPTED;
  videoHeader = offered;
  videoWidth = videoHeader.biWidth;
  videoHeight = Magnitude(videoHeader.biHeight);
  sourcePitch = kFramePitch;
  if (!frameScaler.Prepare(videoHeader.biWidth, videoHeader.biHeight)) return VFW_E_TYPE_NOT_ACCEPTED;

  return ReadTextureFormat();
}

HRESULT TextureRenderer::DoRenderSample(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  if (videoTexture == nullptr || frameBits == nullptr) return E_UNEXPECTED;

  BYTE* data = nullptr;
  const HRESULT pointed = sample->GetPointer(&data);
  if (FAILED(pointed)) return pointed;
  // A damaged stream must not make the scaler read past the end of the sample: it refuses
  // a sample shorter than one frame of the connected format.
  const long length = sample->GetActualDataLength();
  if (videoWidth <= 0 || videoHeight <= 0 || length < 0) return E_FAIL;

  return DrawFrameIntoTexture(frameScaler, data, uint64_t(length), videoHeader.biWidth, videoHeader.biHeight);
}
