// Conversion of the 256x256 frame surface (24-bit B,G,R, bottom-up, 768-byte rows) into the
// locked memory of the video texture. Runs on the graph's streaming thread, once per frame,
// while the texture is locked; it touches nothing but its two buffers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "video/pixel_path.h"

constexpr int kFrameSide = 256;                                             // frame surface and texture, both ways
constexpr int kFramePixelBytes = 3;                                         // B, G, R
constexpr int kFramePitch = kFrameSide * kFramePixelBytes;                  // 768: a multiple of 4, no row fill
constexpr std::size_t kFrameBytes = std::size_t(kFramePitch) * kFrameSide;  // 196608

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
