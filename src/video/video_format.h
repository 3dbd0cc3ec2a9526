// The frame description a decoder offers the renderer (the fields of its BITMAPINFOHEADER
// that say how a frame is laid out), checked before the renderer accepts it: anyone can shape
// a video file, and the scaler later reads every frame by this description. Portable; called
// on the thread that connects the graph.
#pragma once

#include <cstdint>

#include "video/picture_convert.h"
#include "video/video_limits.h"

struct VideoFormatFields {
  int32_t width;         // biWidth
  int32_t height;        // biHeight: negative for a top-down picture
  uint16_t bitCount;     // biBitCount
  uint32_t compression;  // biCompression
  uint32_t sizeImage;    // biSizeImage: 0, or at least the bytes of one frame
};

constexpr uint32_t kRgbCompression = 0;  // BI_RGB

// Bytes of one frame of `width` x |`height`| pixels of `bitCount` bits, rows padded to
// 4 bytes, computed without overflow for any field values (negative widths count as 0; a
// frame too large for 64 bits gives UINT64_MAX).
uint64_t VideoFrameBytes(int32_t width, int32_t height, uint16_t bitCount);

// True only for uncompressed 24-bit RGB with a width and a height (either sign) from 1 to
// kLargestVideoSide and a frame size that, when given, covers a whole frame.
bool IsAcceptedVideoFormat(const VideoFormatFields& format);

// The four-character codes of the YUV layouts a decoder may hand the renderer directly, as
// biCompression holds them.
constexpr uint32_t FourCc(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24;
}

// Where the pixels of a frame of this description lie: 24-bit RGB as IsAcceptedVideoFormat
// takes it (bottom-up for a positive height), or YUY2 and UYVY (16 bits) or YV12, I420, IYUV
// and NV12 (12 bits), which are top-down whatever the height's sign, with lines as long as the
// width needs (packed lines hold whole pairs) and no padding. False for any other
// description, or one whose frame size, when given, does not cover a frame.
bool PictureOfVideoFormat(const VideoFormatFields& format, DecodedPicture* picture);
