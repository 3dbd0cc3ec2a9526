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
