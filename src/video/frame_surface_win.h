// The frame surface: the 24-bit DIB section that each decoded frame is scaled into, and
// videoTexture, into which it is then copied; both of one size, 256x256 at first and then
// as large as the scene shows the video (within the device's limits and the video's own
// size), made again on the main thread when that changes. Both ways of playing a file (the DirectShow
// renderer and the Media Foundation reader) draw through DrawPictureIntoTexture.
//
// Threads: CreateFrameSurface, FitFrameSurface, ReleaseFrameSurface and ShowFrameProducer
// run on the main thread; DrawPictureIntoTexture on whichever thread delivers a video's frames. Several videos
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
#include "video/picture_scaler.h"
#include "video/texture_size.h"

// The frame surface. frameDC is made at program start, before WinMain; the rest by
// CreateFrameSurface; all of it is freed by ReleaseFrameSurface.
extern HDC frameDC;
extern HDRAWDIB drawDib;
extern BITMAPINFO frameHeader;  // frameSize, 24 bits, bottom-up
extern HBITMAP frameBitmap;
extern BYTE* frameBits;              // frameSize.height rows of FramePitch bytes, bottom line first, B, G, R
extern D3DFORMAT textureFormat;      // level 0 of videoTexture; written under the surface's lock
extern FrameSize frameSize;          // of the bitmap and videoTexture; written under the surface's lock
extern TextureLimits textureLimits;  // of the device, read by CreateFrameSurface

// Makes the frame bitmap and videoTexture (256x256, one level, managed, A8R8G8B8 when the
// device has it) and reads the device's texture limits. Needs d3dDevice. True when both
// were made.
bool CreateFrameSurface();

// Makes the bitmap and videoTexture again where their size is not the one for a scene that
// shows the texture largest at `shown` pixels and the video shown last (ChooseTextureSize);
// `shown` {0, 0} asks for the standard 256x256. Nothing changes before a video has been
// shown, nor for a size the device or memory refused before. The picture in the texture is
// carried over, scaled, so a still video does not go blank. The swap is done under the
// surface's lock, so no producer writes a frame of the old size into the new texture. True
// when the surface was made again. Main thread, while the surface is open.
bool FitFrameSurface(FrameSize shown);

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

// Draws one decoded picture, in any layout PictureScaler takes, into the frame surface at
// the surface's size (YUV scaled plane by plane, then converted with `matrix`) and copies it
// into videoTexture, when `producer` is the one shown; the picture's size is noted for
// FitFrameSurface. S_FALSE, with nothing written, for any other producer; E_FAIL, with the
// texture as it was, when the picture is refused or the texture cannot be locked;
// E_UNEXPECTED when the surface is closed. The producer's own thread.
HRESULT DrawPictureIntoTexture(FrameProducer producer, PictureScaler& scaler, const uint8_t* source,
                               uint64_t sourceBytes, const DecodedPicture& picture, YuvMatrix matrix);
