// The texture renderer: the last filter of every video graph, which scales each decoded
// frame to 256x256 into the frame surface and copies it into videoTexture; and the frame
// surface itself (a 24-bit DIB section on a memory DC, scaled into by the portable FrameScaler).
//
// Threads: CreateFrameSurface, ReleaseFrameSurface and the connection (CheckMediaType,
// SetMediaType) run on the main thread; DoRenderSample runs on the graph's streaming thread
// while the main thread draws with videoTexture (the device is multithreaded). Only one
// graph streams at a time, so the frame surface has one user at a time.
#pragma once

#include <windows.h>

#include <d3d8.h>
#include <dshow.h>
#include <vfw.h>

#include <cstdint>

#include "video/frame_scaler.h"
#include "video/renderer_base_win.h"

// {71771540-2017-11CF-AE26-0020AFD79767}
extern const CLSID kTextureRendererClassId;

// The frame surface. frameDC is made at program start, before WinMain; the rest by
// CreateFrameSurface; all of it is freed by ReleaseFrameSurface.
extern HDC frameDC;
extern HDRAWDIB drawDib;
extern BITMAPINFO frameHeader;  // 256x256, 24 bits, bottom-up
extern HBITMAP frameBitmap;
extern BYTE* frameBits;               // 256 rows of 768 bytes, bottom line first, B, G, R
extern BYTE* frameCursor;             // where the copy reads; frameBits between frames
extern BITMAPINFOHEADER videoHeader;  // the connected video format, the scaler's source
extern D3DFORMAT textureFormat;       // level 0 of videoTexture, read when a type is set

// Makes the frame bitmap and videoTexture (256x256, one level, managed, A8R8G8B8 when the
// device has it). Needs d3dDevice. True when both were made.
bool CreateFrameSurface();

// Frees the GDI side of the frame surface; videoTexture goes with the device objects.
void ReleaseFrameSurface();

// Stands in for D3DXCreateTexture: makes the texture in `format`, or in D3DFMT_A1R5G5B5 when
// the device cannot make textures of that format (the other format the renderer takes).
HRESULT CreateTextureWithFallback(IDirect3DDevice8* device, UINT width, UINT height, UINT levels, DWORD usage,
                                  D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** texture);

// Reads the format of videoTexture's level 0 into textureFormat: S_OK for the two formats the
// copy writes, VFW_E_TYPE_NOT_ACCEPTED for any other, the device's code when it cannot tell.
HRESULT ReadTextureFormat();

// Scales one 24-bit frame (width x height, rows padded to 4 bytes; a negative height is
// top-down) into the frame surface with `scaler` and copies it into videoTexture. E_FAIL,
// with the texture as it was, when the frame is refused or the texture cannot be locked.
// Called by whatever delivers the frames of the one playing video, on its own thread.
HRESULT DrawFrameIntoTexture(FrameScaler& scaler, const uint8_t* frame, uint64_t frameBytes, int32_t width,
                             int32_t height);

class TextureRenderer final : public RendererBase {
 public:
  // Starts with one reference, the creator's. `owner` must be null (no aggregation).
  TextureRenderer(IUnknown* owner, HRESULT* result);

  // Only uncompressed 24-bit RGB with a VIDEOINFOHEADER: E_INVALIDARG when the format block
  // is not one, E_FAIL for any other major type or subtype.
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override;
  // Records the video format and the texture's format; VFW_E_TYPE_NOT_ACCEPTED when the
  // texture is in a format that the copy cannot write.
  HRESULT SetMediaType(const AM_MEDIA_TYPE* type) override;
  // Scales the sample into the frame surface and copies it into videoTexture.
  HRESULT DoRenderSample(IMediaSample* sample) override;

  int32_t videoWidth = 0;   // pixels
  int32_t videoHeight = 0;  // pixels, the magnitude of the format's height
  int32_t sourcePitch = 0;  // bytes per row of frameBitmap

 private:
  ~TextureRenderer() override = default;  // by the last Release only
};
