// Conversion of the frame surface (24-bit B,G,R, bottom-up, rows padded to 4 bytes) into the
// locked memory of the video texture, which has the frame's size. Runs on the graph's
// streaming thread, once per frame, while the texture is locked, and on the main thread when
// the texture is made again at another size; it touches nothing but its two buffers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "video/pixel_path.h"

// The standard frame surface and texture, 256 both ways: the size on every device, and the
// smallest either is ever made.
constexpr int kFrameSide = 256;
constexpr int kFramePixelBytes = 3;                                         // B, G, R
constexpr int kFramePitch = kFrameSide * kFramePixelBytes;                  // 768: a multiple of 4, no row fill
constexpr std::size_t kFrameBytes = std::size_t(kFramePitch) * kFrameSide;  // 196608

// A frame surface's size in pixels; the texture has the same.
struct FrameSize {
  int32_t width = 0;
  int32_t height = 0;
};
inline bool operator==(FrameSize a, FrameSize b) { return a.width == b.width && a.height == b.height; }
inline bool operator!=(FrameSize a, FrameSize b) { return !(a == b); }
constexpr FrameSize kStandardFrame = {kFrameSide, kFrameSide};
// The longest side a texture is made with, whatever the device takes.
constexpr int32_t kLargestFrameSide = 4096;

// Whether both sides are from 1 to kLargestFrameSide.
bool IsFrameSize(FrameSize size);
// Bytes from one row of a frame `width` pixels wide to the next: 3 * width rounded up to 4.
std::ptrdiff_t FramePitch(int32_t width);
// Bytes of a whole frame; 0 when IsFrameSize is false.
uint64_t FrameBytes(FrameSize size);

// The texture formats the copy knows, with the values Direct3D gives them, so that a level
// description's format can be cast straight to this type. Any other value is a format the
// copy does not write.
enum class TextureFormat : uint32_t {
  A8R8G8B8 = 21,  // bytes B, G, R, 255
  A1R5G5B5 = 25,  // little-endian word 0x8000 | R5 << 10 | G5 << 5 | B5
};

// Bytes one texel takes in `format`; 0 for a format the copy does not write.
int TextureTexelBytes(TextureFormat format);

// Copies the frame row for row: source row r goes to destination row r, which starts at
// textureBits + r * texturePitch. Bytes between the end of a row and the next row's start are
// left as they were. Writes nothing and returns false when the format is not one of the two
// or the pitch is shorter than a row of that format.
bool ConvertFrameToTexture(const uint8_t* frameBits, TextureFormat format, uint8_t* textureBits,
                           std::ptrdiff_t texturePitch);

// The same copy on a chosen code path (every path writes the same bytes); the one above
// takes BestPixelPath().
bool ConvertFrameToTexture(const uint8_t* frameBits, TextureFormat format, uint8_t* textureBits,
                           std::ptrdiff_t texturePitch, PixelPath path);

// The copy of a frame of any size (FramePitch rows); false as above, and when IsFrameSize is
// false.
bool ConvertFrameToTexture(const uint8_t* frameBits, FrameSize size, TextureFormat format, uint8_t* textureBits,
                           std::ptrdiff_t texturePitch, PixelPath path);
