// The frame surface: the 256x256 24-bit DIB section that each decoded frame is scaled into,
// and videoTexture, into which it is then copied. Both ways of playing a file (the DirectShow
// renderer and the Media Foundation reader) draw through DrawFrameIntoTexture.
//
// Threads: CreateFrameSurface, ReleaseFrameSurface and ShowFrameProducer run on the main
// thread; DrawFrameIntoTexture on whichever thread delivers a video's frames. Several videos
// may be open at once (one playing, others being tried), but only the producer the main
// thread shows writes: each write checks that it is still the shown one and writes under
// one lock, so a producer that was given up on never writes again once the main thread has
// moved on, and nothing is written after ReleaseFrameSurface has begun.
#pragma once

#include <windows.h>

#include <d3d8.h>
#include <vfw.h>

#include <cstdint>

#include "video/frame_scaler.h"

// The frame surface. frameDC is made at program start, before WinMain; the rest by
// CreateFrameSurface; all of it is freed by ReleaseFrameSurface.
extern HDC frameDC;
extern HDRAWDIB drawDib;
extern BITMAPINFO frameHeader;  // 256x256, 24 bits, bottom-up
extern HBITMAP frameBitmap;
extern BYTE* frameBits;          // 256 rows of 768 bytes, bottom line first, B, G, R
extern D3DFORMAT textureFormat;  // level 0 of videoTexture; written under the surface's lock

// Makes the frame bitmap and videoTexture (256x256, one level, managed, A8R8G8B8 when the
// device has it). Needs d3dDevice. True when both were made.
bool CreateFrameSurface();

// Closes the surface to every producer (waiting for a write under way, which never waits
// on a file), then frees the GDI side; videoTexture goes with the device objects.
void ReleaseFrameSurface();

// Stands in for D3DXCreateTexture: makes the texture in `format`, or in D3DFMT_A1R5G5B5 when
// the device cannot make textures of that format (the other format the copy writes).
HRESULT CreateTextureWithFallback(IDirect3DDevice8* device, UINT width, UINT height, UINT levels, DWORD usage,
                                  D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** texture);

// Reads the format of videoTexture's level 0 into textureFormat, under the surface's lock:
// S_OK for the two formats the copy writes, VFW_E_TYPE_NOT_ACCEPTED for any other, the
// device's code when it cannot tell. Main thread, whenever videoTexture is made anew
// (CreateFrameSurface does it).
HRESULT ReadTextureFormat();

// Whether frames can be written into the texture, as a producer asks before it takes a
// format: S_OK, VFW_E_TYPE_NOT_ACCEPTED for a texture format the copy does not write, or
// E_UNEXPECTED once the surface is closed (or before it is open). Never touches the texture
// itself. Any thread.
HRESULT TextureFormatAccepted();

// Whoever delivers a video's frames. 0 is no one.
typedef LONG FrameProducer;

// A producer number never handed out before in this process. Any thread.
FrameProducer NewFrameProducer();

// Makes `producer` the one whose frames reach the texture (0: none); returns it. Never
// waits. Main thread.
FrameProducer ShowFrameProducer(FrameProducer producer);

// The producer now shown.
FrameProducer ShownFrameProducer();

// Scales one 24-bit frame (width x height, rows padded to 4 bytes; a negative height is
// top-down) into the frame surface with `scaler` and copies it into videoTexture, when
// `producer` is the one shown. S_FALSE, with nothing written, for any other producer;
// E_FAIL, with the texture as it was, when the frame is refused or the texture cannot be
// locked. The producer's own thread.
HRESULT DrawFrameIntoTexture(FrameProducer producer, FrameScaler& scaler, const uint8_t* frame, uint64_t frameBytes,
                             int32_t width, int32_t height);
