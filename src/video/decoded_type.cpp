// The picture layout of a decoded type. Portable; any thread.
#include "video/decoded_type.h"

#include "video/video_limits.h"

namespace {

bool IsRgb(DecodedFormat format) { return format == DecodedFormat::Rgb32 || format == DecodedFormat::Rgb24; }

// Bytes of one line of the first plane when the type does not say: the packed formats'
// pixels (RGB24 lines padded to 4 bytes, as in a DIB), one byte per pixel for the planar ones.
int32_t MinimalStride(DecodedFormat format, int32_t width) {
  switch (format) {
    case DecodedFormat::Yuy2:
    case DecodedFormat::Uyvy:
      return 4 * ((width + 1) / 2);
    case DecodedFormat::Rgb32:
      return 4 * width;
    case DecodedFormat::Rgb24:
      return (3 * width + 3) & ~3;
    default:
      return width;
  }
}

// Decoders pad the frame to whole macroblocks (1088 lines for 1080) and name the picture
// inside it as the display aperture. Only an aperture at the frame's top left is taken: the
// picture conversion reads lines from the start of each plane.
bool ApertureTaken(const DecodedTypeAttributes& type) {
  return type.apertureX == 0 && type.apertureY == 0 && type.apertureWidth > 0 && type.apertureHeight > 0 &&
         uint32_t(type.apertureWidth) <= type.frameWidth && uint32_t(type.apertureHeight) <= type.frameHeight;
}

}  // namespace

bool DecodedPictureOfType(const DecodedTypeAttributes& type, DecodedPicture* picture) {
  if (!IsAcceptedVideoSide(type.frameWidth) || !IsAcceptedVideoSide(type.frameHeight)) return false;
  DecodedPicture p;
  p.format = type.format;
  p.width = int32_t(type.frameWidth);
  p.height = int32_t(type.frameHeight);
  p.planeRows = int32_t(type.frameHeight);
  if (ApertureTaken(type)) {
    p.width = type.apertureWidth;
    p.height = type.apertureHeight;
  }
  p.stride = MinimalStride(p.format, int32_t(type.frameWidth));
  if (type.defaultStride != 0) {
    p.bottomUp = type.defaultStride < 0 && IsRgb(p.format);
    const int64_t stated = Magnitude(type.defaultStride);
    if (stated >= p.stride && stated <= 4 * kLargestVideoSide) p.stride = int32_t(stated);
  } else {
    p.bottomUp = IsRgb(p.format);  // RGB without a stride is laid out as a DIB
  }
  if (DecodedPictureBytes(p) == 0) return false;
  *picture = p;
  return true;
}
