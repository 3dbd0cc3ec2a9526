// The frame description a decoder offers the renderer (the fields of its BITMAPINFOHEADER
// that say how a frame is laid out), checked before the renderer accepts it: anyone can shape
// a video file, and the scaler later reads every frame by this description. Portable; called
// on the thread that connects the graph.
#pragma once

#include <cstdint>

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
