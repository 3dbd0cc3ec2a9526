// The texture renderer: the last filter of every video graph, which scales each decoded
// frame through the frame surface into videoTexture. It takes the decoder's own YUV pictures
// as well as 24-bit RGB, so a graph needs no colour converter: the picture is scaled plane by
// plane and converted at the texture's size.
//
// Threads: the connection (CheckMediaType, SetMediaType) runs on the thread that builds the
// graph; DoRenderSample, and SetMediaType for a format that a sample brings, on the graph's
// streaming thread while the main thread draws with videoTexture (the device is
// multithreaded). Each renderer keeps its own format and scaler, so graphs being tried side
// by side do not share them; only the shown producer's frames reach the texture.
#pragma once

#include <windows.h>

#include <dshow.h>

#include <cstdint>

#include "video/frame_surface_win.h"
#include "video/picture_convert.h"
#include "video/picture_scaler.h"
#include "video/renderer_base_win.h"

// {71771540-2017-11CF-AE26-0020AFD79767}
extern const CLSID kTextureRendererClassId;

class TextureRenderer final : public RendererBase {
 public:
  // Starts with one reference, the creator's. `owner` must be null (no aggregation). Its
  // frames are drawn as `producer` (frame_surface_win.h).
  TextureRenderer(IUnknown* owner, HRESULT* result, FrameProducer producer = 0);

  // Uncompressed 24-bit RGB, YUY2, UYVY, YV12, I420 (IYUV) and NV12 with a VIDEOINFOHEADER
  // whose fields agree with the subtype (PictureOfVideoFormat): E_INVALIDARG when the format
  // block is not one, E_FAIL for any other major type, subtype or description.
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override;
  // Records the video format and the texture's format; VFW_E_TYPE_NOT_ACCEPTED, with the
  // format as it was, when the frame cannot be scaled or the texture is in a format that
  // the copy cannot write.
  HRESULT SetMediaType(const AM_MEDIA_TYPE* type) override;
  // Scales the sample into the frame surface and copies it into videoTexture.
  HRESULT DoRenderSample(IMediaSample* sample) override;

  BITMAPINFOHEADER videoHeader = {};  // the connected video format
  int32_t videoWidth = 0;             // pixels
  int32_t videoHeight = 0;            // pixels, the magnitude of the format's height
  DecodedPicture videoPicture;        // where a sample's pixels lie, the scaler's source

 private:
  ~TextureRenderer() override = default;  // by the last Release only

  const FrameProducer producer_;
  YuvMatrix matrix_ = YuvMatrix::Bt601;
  // Used by the streaming thread only.
  PictureScaler scaler_;
};
