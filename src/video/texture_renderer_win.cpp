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

namespace {

// The YUV layouts taken; each one's subtype is the GUID made from its four-character code.
const uint32_t kTakenYuvCodes[] = {FourCc('Y', 'U', 'Y', '2'), FourCc('U', 'Y', 'V', 'Y'), FourCc('Y', 'V', '1', '2'),
                                   FourCc('I', '4', '2', '0'), FourCc('I', 'Y', 'U', 'V'), FourCc('N', 'V', '1', '2')};

// {XXXXXXXX-0000-0010-8000-00AA00389B71}, the subtype of a four-character code.
GUID SubtypeOfCode(uint32_t code) {
  return GUID{code, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}

// The picture layout of a type the renderer takes; false for any other.
bool PictureOfType(const AM_MEDIA_TYPE& type, DecodedPicture* picture) {
  if (type.majortype != MEDIATYPE_Video) return false;
  const BITMAPINFOHEADER& header = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
  // The subtype alone does not make the header honest: the frame is read by the header.
  uint32_t compression = kRgbCompression;
  if (type.subtype != MEDIASUBTYPE_RGB24) {
    compression = type.subtype.Data1;
    if (type.subtype != SubtypeOfCode(compression)) return false;
    bool taken = false;
    for (const uint32_t code : kTakenYuvCodes) taken = taken || code == compression;
    if (!taken) return false;
  }
  return header.biCompression == compression && PictureOfVideoFormat(FieldsOf(header), picture);
}

}  // namespace

HRESULT TextureRenderer::CheckMediaType(const AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  if (type->formattype != FORMAT_VideoInfo || type->pbFormat == nullptr || type->cbFormat < sizeof(VIDEOINFOHEADER)) {
    return E_INVALIDARG;
  }
  DecodedPicture picture;
  return PictureOfType(*type, &picture) ? S_OK : E_FAIL;
}

HRESULT TextureRenderer::SetMediaType(const AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  if (type->pbFormat == nullptr || type->cbFormat < sizeof(VIDEOINFOHEADER)) return VFW_E_TYPE_NOT_ACCEPTED;
  DecodedPicture picture;
  if (!PictureOfType(*type, &picture)) return VFW_E_TYPE_NOT_ACCEPTED;
  const HRESULT texture = TextureFormatAccepted();
  if (FAILED(texture)) return texture;
  // A format is taken whole.
  videoHeader = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader;
  videoWidth = picture.width;
  videoHeight = picture.height;
  videoPicture = picture;
  matrix_ = MatrixForSize(picture.width, picture.height);
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

  return DrawPictureIntoTexture(producer_, scaler_, data, uint64_t(length), videoPicture, matrix_);
}
