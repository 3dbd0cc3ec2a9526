// Conversion of the frame surface into the video texture's locked memory. Streaming thread.
//
// Both formats start from the same 32-bit expansion of a row, done four pixels at a time
// with whole-word loads and stores: twelve source bytes are three little-endian words, and
// each output texel is a shift and an OR of them. Measured against the obvious byte-by-byte
// loop (which GCC does vectorise, but with so many byte shuffles on SSE2 that it ends up
// slower than scalar code), this is roughly two to five times faster on every x86 target tried;
// GCC turns it into shuffle-based vector code by itself where SSSE3 or AVX2 is enabled. The
// 16-bit texels are then packed from that row two at a time, a loop that vectorises with
// plain SSE2. Fixed trip counts and restrict-qualified rows keep alias checks out of the
// loops.
#include "video/pixel_convert.h"

#include <cstring>

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "pixels are read and texels written as little-endian words"
#endif

namespace {

constexpr int kRowTexels = kFrameSide;
constexpr int kRowGroups = kRowTexels / 4;   // four pixels: 12 source bytes, one 16-byte output
constexpr uint32_t kOpaque = 0xFF000000u;

inline uint32_t LoadWord(const uint8_t* at) {
  uint32_t word;
  std::memcpy(&word, at, sizeof word);   // any alignment: the texture pitch can be anything
  return word;
}

inline void StoreWord(uint8_t* at, uint32_t word) { std::memcpy(at, &word, sizeof word); }

// Four pixels B0 G0 R0 B1 | G1 R1 B2 G2 | R2 B3 G3 R3 become four texels 0xFFRRGGBB.
void ExpandRowToA8R8G8B8(const uint8_t* __restrict source, uint8_t* __restrict target) {
  for (int group = 0; group < kRowGroups; ++group) {
    const uint8_t* in = source + 12 * group;
    uint8_t* out = target + 16 * group;
    const uint32_t w0 = LoadWord(in);
    const uint32_t w1 = LoadWord(in + 4);
    const uint32_t w2 = LoadWord(in + 8);
    StoreWord(out, kOpaque | w0);
    StoreWord(out + 4, kOpaque | (w0 >> 24) | (w1 << 8));
    StoreWord(out + 8, kOpaque | (w1 >> 16) | (w2 << 16));
    StoreWord(out + 12, kOpaque | (w2 >> 8));
  }
}

inline uint32_t To1555(uint32_t texel) {
  return 0x8000u | ((texel >> 9) & 0x7C00u) | ((texel >> 6) & 0x03E0u) | ((texel >> 3) & 0x001Fu);
}

// Input: texels 0xFFRRGGBB. Output: two 16-bit texels per word, the left one in the low half
// so that it comes first in memory.
void PackRowToA1R5G5B5(const uint32_t* __restrict texels, uint32_t* __restrict pairs) {
  for (int x = 0; x < kRowTexels / 2; ++x) {
    pairs[x] = To1555(texels[2 * x]) | To1555(texels[2 * x + 1]) << 16;
  }
}

void ConvertRowToA8R8G8B8(const uint8_t* source, uint8_t* target) {
  ExpandRowToA8R8G8B8(source, target);
}

void ConvertRowToA1R5G5B5(const uint8_t* source, uint8_t* target) {
  // Aligned scratch rows keep the packing loop free of alignment checks; the final copy
  // takes care of a texture row that starts at an odd address.
  alignas(16) uint32_t wide[kRowTexels];
  alignas(16) uint32_t packed[kRowTexels / 2];
  ExpandRowToA8R8G8B8(source, reinterpret_cast<uint8_t*>(wide));
  PackRowToA1R5G5B5(wide, packed);
  std::memcpy(target, packed, sizeof packed);
}

using RowConverter = void (*)(const uint8_t*, uint8_t*);

RowConverter RowConverterFor(TextureFormat format) {
  switch (format) {
    case TextureFormat::A8R8G8B8: return ConvertRowToA8R8G8B8;
    case TextureFormat::A1R5G5B5: return ConvertRowToA1R5G5B5;
  }
  return nullptr;
}

bool ConvertRows(const uint8_t* frameBits, TextureFormat format, uint8_t* textureBits,
                 std::ptrdiff_t texturePitch, bool reverseRows) {
  const RowConverter convertRow = RowConverterFor(format);
  if (convertRow == nullptr) return false;
  if (texturePitch < std::ptrdiff_t(kRowTexels) * TextureTexelBytes(format)) return false;

  for (int row = 0; row < kFrameSide; ++row) {
    const int sourceRow = reverseRows ? kFrameSide - 1 - row : row;
    convertRow(frameBits + std::ptrdiff_t(sourceRow) * kFramePitch, textureBits + row * texturePitch);
  }
  return true;
}

}  // namespace

int TextureTexelBytes(TextureFormat format) {
  switch (format) {
    case TextureFormat::A8R8G8B8: return 4;
    case TextureFormat::A1R5G5B5: return 2;
  }
  return 0;
}

bool ConvertFrameToTexture(const uint8_t* frameBits, TextureFormat format, uint8_t* textureBits,
                           std::ptrdiff_t texturePitch) {
  return ConvertRows(frameBits, format, textureBits, texturePitch, false);
}

bool ConvertFrameToTextureReversed(const uint8_t* frameBits, TextureFormat format,
                                   uint8_t* textureBits, std::ptrdiff_t texturePitch) {
  return ConvertRows(frameBits, format, textureBits, texturePitch, true);
}
