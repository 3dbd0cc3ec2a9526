// Where a decoder's pictures lie in the buffers it hands out, worked out from the attributes of
// its output type as a Media Foundation source reader states them: the frame it decodes
// (padded to whole macroblocks), the part of that frame to show, and the bytes between lines.
// Portable: the reader file copies the attributes out and takes its layout from here. Called on
// the reader thread, each time the decoded type is set or changes; it keeps no state.
#pragma once

#include <cstdint>

#include "video/picture_convert.h"

// The attributes of one decoded type that place its pictures. An attribute the type does not
// carry is left 0.
struct DecodedTypeAttributes {
  DecodedFormat format = DecodedFormat::Nv12;  // from the subtype
  uint32_t frameWidth = 0;                     // the frame size: every line and pixel decoded,
  uint32_t frameHeight = 0;                    // padding included
  int32_t apertureX = 0;                       // the minimum display aperture: its offset in whole
  int32_t apertureY = 0;                       // pixels and its size, the picture meant to be seen
  int32_t apertureWidth = 0;
  int32_t apertureHeight = 0;
  int32_t defaultStride = 0;  // bytes from one line to the next; negative for a bottom-up picture
};

// The layout of the type's pictures: the aperture when it is a part of the frame that starts at
// its top left corner (else the whole frame), the first plane as long as the frame, and the
// stated stride when it holds a line of the frame (else the least one that does). A negative
// stride or, without a stride, RGB, is bottom-up; planar and packed YUV are always top-down.
// False when the frame size is missing or a side is beyond kLargestVideoSide, or when the
// layout cannot be read (DecodedPictureBytes refuses it).
bool DecodedPictureOfType(const DecodedTypeAttributes& type, DecodedPicture* picture);
