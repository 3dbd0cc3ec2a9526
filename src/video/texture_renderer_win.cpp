// The texture renderer. Threads as in the header.
#include "video/texture_renderer_win.h"

#include "video/video_format.h"
#include "video/video_limits.h"

const CLSID kTextureRendererClassId = {0x71771540, 0x2017, 0x11CF, {0xAE, 0x26, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x67}};

namespace {

VideoFormatFields FieldsOf(const BITMAPINFOHEADER& header) {
  return {header.biWidth, header.biHeight, header.biBitCount, header.biCompression, header.biSizeImage};
}

}  // namespace

TextureRenderer::TextureRenderer(IUnknown* owner, HRESULT* result, FrameProducer producer)
    : RendererBase(kTextureRendererClassId, owner, result), producer_(producer) {}

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
  const HRESULT texture = TextureFormatAccepted();
  if (FAILED(texture)) return texture;
  // Nothing is recorded until the scaler has taken the size: a format is taken whole.
  if (!scaler_.Prepare(offered.biWidth, offered.biHeight)) return VFW_E_TYPE_NOT_ACCEPTED;
  videoHeader = offered;
  videoWidth = videoHeader.biWidth;
  videoHeight = int32_t(Magnitude(videoHeader.biHeight));  // accepted: at most kLargestVideoSide
  return S_OK;
}

HRESULT TextureRenderer::DoRenderSample(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  BYTE* data = nullptr;
  const HRESULT pointed = sample->GetPointer(&data);
  if (FAILED(pointed)) return pointed;
  // A damaged stream must not make the scaler read past the end of the sample: it refuses
  // a sample shorter than one frame of the connected format.
  const long length = sample->GetActualDataLength();
  if (videoWidth <= 0 || videoHeight <= 0 || length < 0) return E_FAIL;

  return DrawFrameIntoTexture(producer_, scaler_, data, uint64_t(length), videoHeader.biWidth, videoHeader.biHeight);
}
