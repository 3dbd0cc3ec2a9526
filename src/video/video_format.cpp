// The renderer's check of offered frame descriptions. Portable.
#include "video/video_format.h"

uint64_t VideoFrameBytes(int32_t width, int32_t height, uint16_t bitCount) {
  const uint64_t w = width < 0 ? 0 : uint64_t(width);
  const uint64_t stride = (w * bitCount + 31) / 32 * 4;  // below 2^31 * 2^16 / 8 = 2^44
  const uint64_t rows = uint64_t(Magnitude(height));     // at most 2^31
  // 2^44 * 2^31 does not fit: with many bits per pixel a frame can exceed 64 bits.
  if (rows != 0 && stride > UINT64_MAX / rows) return UINT64_MAX;
  return stride * rows;
}

bool IsAcceptedVideoFormat(const VideoFormatFields& f) {
  if (f.bitCount != 24 || f.compression != kRgbCompression) return false;
  if (!IsAcceptedVideoSide(f.width) || !IsAcceptedVideoSide(Magnitude(f.height))) return false;
  return f.sizeImage == 0 || f.sizeImage >= VideoFrameBytes(f.width, f.height, f.bitCount);
}

namespace {

struct YuvCode {
  uint32_t compression;
  uint16_t bitCount;
  DecodedFormat format;
  bool packed;
};

constexpr YuvCode kYuvCodes[] = {
    {FourCc('Y', 'U', 'Y', '2'), 16, DecodedFormat::Yuy2, true},
    {FourCc('U', 'Y', 'V', 'Y'), 16, DecodedFormat::Uyvy, true},
    {FourCc('Y', 'V', '1', '2'), 12, DecodedFormat::Yv12, false},
    {FourCc('I', '4', '2', '0'), 12, DecodedFormat::I420, false},
    {FourCc('I', 'Y', 'U', 'V'), 12, DecodedFormat::I420, false},
    {FourCc('N', 'V', '1', '2'), 12, DecodedFormat::Nv12, false},
};

}  // namespace

bool PictureOfVideoFormat(const VideoFormatFields& f, DecodedPicture* picture) {
  DecodedPicture p;
  p.width = f.width;
  p.height = int32_t(Magnitude(f.height) > kLargestVideoSide ? 0 : Magnitude(f.height));
  if (f.compression == kRgbCompression) {
    if (!IsAcceptedVideoFormat(f)) return false;
    p.format = DecodedFormat::Rgb24;
    p.stride = int32_t((int64_t(f.width) * 3 + 3) & ~int64_t(3));
    p.bottomUp = f.height > 0;
  } else {
    const YuvCode* code = nullptr;
    for (const YuvCode& c : kYuvCodes)
      if (c.compression == f.compression && c.bitCount == f.bitCount) code = &c;
    if (code == nullptr || !IsAcceptedVideoSide(f.width) || !IsAcceptedVideoSide(p.height)) return false;
    p.format = code->format;
    p.stride = code->packed ? (f.width + 1) / 2 * 4 : f.width;
  }
  p.planeRows = p.height;
  const uint64_t bytes = DecodedPictureBytes(p);
  if (bytes == 0 || (f.sizeImage != 0 && f.sizeImage < bytes)) return false;
  *picture = p;
  return true;
}
