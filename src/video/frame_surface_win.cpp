// The frame surface and the one producer that may write it. Threads as in the header.
#include "video/frame_surface_win.h"

#include <dshow.h>

#include "base/com_ptr_win.h"
#include "scenes/device_objects_win.h"
#include "video/draw_dib_win.h"
#include "video/pixel_convert.h"

HDC frameDC = CreateCompatibleDC(nullptr);
HDRAWDIB drawDib = nullptr;
BITMAPINFO frameHeader = {};
HBITMAP frameBitmap = nullptr;
BYTE* frameBits = nullptr;
D3DFORMAT textureFormat = D3DFMT_UNKNOWN;
FrameSize frameSize;
TextureLimits textureLimits;

namespace {

// The bitmap that frameDC held before frameBitmap, put back before frameBitmap is deleted
// (a bitmap still selected into a DC cannot be deleted).
HGDIOBJ initialBitmap = nullptr;

// Held for each write and while the surface is closed. Never deleted: a producer thread
// that was left stuck in a read may still come back to it while the process ends.
CRITICAL_SECTION writeLock;
struct WriteLockSetUp {
  WriteLockSetUp() { InitializeCriticalSection(&writeLock); }
} writeLockSetUp;

volatile LONG shownProducer = 0;
volatile LONG lastProducer = 0;
bool surfaceOpen = false;  // written by the main thread under writeLock
// The size of the last picture written, width in the high half and height in the low one
// (sides fit 16 bits): written by producers under writeLock, read by the main thread at
// every frame without it, so that the main thread never waits for a frame being written.
volatile LONG shownVideoSize = 0;

LONG Packed(FrameSize size) { return LONG(size.width) << 16 | LONG(size.height); }
FrameSize Unpacked(LONG packed) { return {int32_t(packed >> 16 & 0xFFFF), int32_t(packed & 0xFFFF)}; }
FrameSize textureSize;  // of videoTexture's level 0 as last read; guarded by writeLock
FrameSize refusedSize;  // a size that could not be made; main thread

// The header of a frame bitmap of `size`.
BITMAPINFO FrameHeaderFor(FrameSize size) {
  BITMAPINFO info = {};
  BITMAPINFOHEADER& header = info.bmiHeader;
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = size.width;
  header.biHeight = size.height;  // positive: bottom-up, row 0 is the bottom line
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = DWORD(FrameBytes(size));
  return info;
}

// The device's limits for videoTexture's format, from its caps and free texture memory.
TextureLimits ReadTextureLimits(D3DFORMAT format) {
  D3DCAPS8 caps;
  if (d3dDevice == nullptr || FAILED(d3dDevice->GetDeviceCaps(&caps))) return TextureLimits{};
  const int texelBytes = format == D3DFMT_A1R5G5B5 ? 2 : 4;
  return MakeTextureLimits(caps.MaxTextureWidth, caps.MaxTextureHeight, caps.TextureCaps,
                           d3dDevice->GetAvailableTextureMem(), texelBytes);
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
  drawDib = OpenDrawDib();  // kept open for the run as ever; the frames are drawn by the scalers
  frameHeader = FrameHeaderFor(kStandardFrame);

  // A run deletes frameDC at its end; a later run in the same process (the tests make
  // many) needs a new one.
  if (frameDC == nullptr) frameDC = CreateCompatibleDC(nullptr);

  void* bits = nullptr;
  frameBitmap = CreateDIBSection(frameDC, &frameHeader, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (frameBitmap == nullptr) return false;
  initialBitmap = SelectObject(frameDC, frameBitmap);

  if (FAILED(CreateTextureWithFallback(d3dDevice, kFrameSide, kFrameSide, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                       &videoTexture))) {
    return false;
  }
  ReadTextureFormat();  // a format the copy cannot write is refused when a video connects
  textureLimits = ReadTextureLimits(textureFormat);
  refusedSize = FrameSize{};
  EnterCriticalSection(&writeLock);
  frameBits = static_cast<BYTE*>(bits);
  frameSize = kStandardFrame;
  InterlockedExchange(&shownVideoSize, 0);
  surfaceOpen = true;
  LeaveCriticalSection(&writeLock);
  return true;
}

namespace {

// Scales the picture of the old surface into the new one and copies it into the new
// texture. Under writeLock.
void CarryPictureOver(const BYTE* oldBits, FrameSize oldSize, BYTE* newBits, FrameSize newSize,
                      IDirect3DTexture8* texture, D3DFORMAT format) {
  FrameScaler scaler;
  if (!scaler.Scale(oldBits, FrameBytes(oldSize), oldSize.width, oldSize.height, newBits, newSize, BestPixelPath()))
    return;
  D3DLOCKED_RECT locked;
  if (FAILED(texture->LockRect(0, &locked, nullptr, 0))) return;
  ConvertFrameToTexture(newBits, newSize, static_cast<TextureFormat>(format), static_cast<uint8_t*>(locked.pBits),
                        locked.Pitch, BestPixelPath());
  texture->UnlockRect(0);
}

// Makes a bitmap and a texture of `size` and puts them in place of the old ones.
bool RemakeFrameSurface(FrameSize size) {
  const BITMAPINFO header = FrameHeaderFor(size);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(frameDC, &header, DIB_RGB_COLORS, &bits, nullptr, 0);
  IDirect3DTexture8* texture = nullptr;
  D3DSURFACE_DESC description;
  if (bitmap == nullptr ||
      FAILED(CreateTextureWithFallback(d3dDevice, UINT(size.width), UINT(size.height), 1, 0, D3DFMT_A8R8G8B8,
                                       D3DPOOL_MANAGED, &texture)) ||
      FAILED(texture->GetLevelDesc(0, &description))) {
    if (texture != nullptr) texture->Release();
    if (bitmap != nullptr) DeleteObject(bitmap);
    refusedSize = size;
    return false;
  }

  EnterCriticalSection(&writeLock);
  if (frameBits != nullptr) {
    CarryPictureOver(frameBits, frameSize, static_cast<BYTE*>(bits), size, texture, description.Format);
  }
  SelectObject(frameDC, bitmap);
  if (frameBitmap != nullptr) DeleteObject(frameBitmap);
  frameBitmap = bitmap;
  frameBits = static_cast<BYTE*>(bits);
  frameHeader = header;
  frameSize = size;
  if (videoTexture != nullptr) videoTexture->Release();
  videoTexture = texture;
  textureFormat = description.Format;
  textureSize = size;
  LeaveCriticalSection(&writeLock);
  return true;
}

}  // namespace

bool FitFrameSurface(FrameSize shown) {
  // Only the main thread writes the surface's state, so it reads it here without the lock;
  // the lock is taken only to make the surface again.
  const bool open = surfaceOpen && frameBits != nullptr;
  const FrameSize video = Unpacked(shownVideoSize);
  const FrameSize current = frameSize;
  if (!open || video.width == 0) return false;

  const FrameSize wanted = shown.width > 0 ? ChooseTextureSize(textureLimits, shown, video) : kStandardFrame;
  if (wanted == current || wanted == refusedSize) return false;
  return RemakeFrameSurface(wanted);
}

void ReleaseFrameSurface() {
  // From here on no producer writes, and none is in the middle of a write.
  InterlockedExchange(&shownProducer, 0);
  EnterCriticalSection(&writeLock);
  surfaceOpen = false;
  frameBits = nullptr;
  textureFormat = D3DFMT_UNKNOWN;
  frameSize = FrameSize{};
  InterlockedExchange(&shownVideoSize, 0);
  LeaveCriticalSection(&writeLock);

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
}

namespace {

HRESULT FormatAccepted(D3DFORMAT format) {
  return format == D3DFMT_A8R8G8B8 || format == D3DFMT_A1R5G5B5 ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

}  // namespace

HRESULT ReadTextureFormat() {
  if (videoTexture == nullptr) return E_UNEXPECTED;
  D3DSURFACE_DESC description;
  const HRESULT described = videoTexture->GetLevelDesc(0, &description);
  if (FAILED(described)) return described;
  EnterCriticalSection(&writeLock);
  textureFormat = description.Format;
  textureSize = FrameSize{int32_t(description.Width), int32_t(description.Height)};
  LeaveCriticalSection(&writeLock);
  return FormatAccepted(description.Format);
}

HRESULT TextureFormatAccepted() {
  EnterCriticalSection(&writeLock);
  const HRESULT result = surfaceOpen && videoTexture != nullptr ? FormatAccepted(textureFormat) : E_UNEXPECTED;
  LeaveCriticalSection(&writeLock);
  return result;
}

FrameProducer NewFrameProducer() { return InterlockedIncrement(&lastProducer); }

FrameProducer ShowFrameProducer(FrameProducer producer) {
  InterlockedExchange(&shownProducer, producer);
  return producer;
}

FrameProducer ShownFrameProducer() { return shownProducer; }

HRESULT DrawPictureIntoTexture(FrameProducer producer, PictureScaler& scaler, const uint8_t* source,
                               uint64_t sourceBytes, const DecodedPicture& picture, YuvMatrix matrix) {
  if (producer == 0) return S_FALSE;
  EnterCriticalSection(&writeLock);
  HRESULT result = S_FALSE;
  if (!surfaceOpen || videoTexture == nullptr || frameBits == nullptr) {
    result = E_UNEXPECTED;
  } else if (producer == shownProducer && frameSize != textureSize) {
    result = E_FAIL;  // a texture made elsewhere: never written past its rows
  } else if (producer == shownProducer) {
    result = E_FAIL;
    D3DLOCKED_RECT locked;
    if (scaler.Draw(source, sourceBytes, picture, matrix, frameBits, frameSize, BestPixelPath()) &&
        SUCCEEDED(videoTexture->LockRect(0, &locked, nullptr, 0))) {
      InterlockedExchange(&shownVideoSize, Packed(FrameSize{picture.width, picture.height}));
      // Row 0 of the texture is the bottom line, row 0 of the frame surface. A format other
      // than the two is left unwritten.
      ConvertFrameToTexture(frameBits, frameSize, static_cast<TextureFormat>(textureFormat),
                            static_cast<uint8_t*>(locked.pBits), locked.Pitch, BestPixelPath());
      if (SUCCEEDED(videoTexture->UnlockRect(0))) result = S_OK;
    }
  }
  LeaveCriticalSection(&writeLock);
  return result;
}
