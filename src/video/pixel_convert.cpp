// Conversion of the frame surface into the video texture's locked memory. Streaming thread,
// and the main thread when it makes the texture again at another size.
//
// Scalar path: both formats start from the same 32-bit expansion of a row, done four pixels
// at a time with whole-word loads and stores: twelve source bytes are three little-endian
// words, and each output texel is a shift and an OR of them. Measured against the obvious
// byte-by-byte loop (which GCC does vectorise, but with so many byte shuffles on SSE2 that it
// ends up slower than scalar code), this is roughly two to five times faster on every x86
// target tried. The 16-bit texels are then packed from that row two at a time. Fixed trip
// counts and restrict-qualified rows keep alias checks out of the loops.
//
// SSE2 path: SSE2 has no byte shuffle, so the four alignments that four 3-byte pixels need
// in four 32-bit lanes come from two unaligned 8-byte loads (free shifts) and one 64-bit
// shift; two dword shuffles put the lanes in order. Of the variants measured (masks and ORs
// instead of the shuffles, four loads and one shuffle, mixes of these) this was the fastest.
// The 16-bit texels are gathered with PMADDWD, whose two word products per lane act as two
// shifts and an add. Loads never go past the frame: the last group of every row has a
// variant that reads only its own bytes.
//
// SSSE3 path: PSHUFB spreads four pixels into four texels with one instruction. For 16-bit
// texels the spread pixels are masked to their fields' bits and two multiply-adds place the
// fields (PMADDUBSW puts G beside B, PMADDWD R beside both): a fifth fewer instructions, and
// on the host a fifth less time, than shuffling R,B and G into lanes of their own and placing
// each field with a mask and a shift.
#include "video/pixel_convert.h"

#include <cstring>

#if ORVEL_SSE2_PATH
#include <emmintrin.h>
#include <tmmintrin.h>
#endif

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "pixels are read and texels written as little-endian words"
#endif

namespace {

// Rows are converted a chunk of at most this many texels at a time by the scalar 16-bit path,
// whose aligned scratch rows live on the stack.
constexpr int kChunkTexels = 256;
constexpr uint32_t kOpaque = 0xFF000000u;

inline uint32_t LoadWord(const uint8_t* at) {
  uint32_t word;
  std::memcpy(&word, at, sizeof word);  // any alignment: the texture pitch can be anything
  return word;
}

inline void StoreWord(uint8_t* at, uint32_t word) { std::memcpy(at, &word, sizeof word); }

// Four pixels B0 G0 R0 B1 | G1 R1 B2 G2 | R2 B3 G3 R3 become four texels 0xFFRRGGBB; the
// last texels % 4 pixels one at a time.
void ExpandRowToA8R8G8B8(const uint8_t* __restrict source, uint8_t* __restrict target, int texels) {
  const int groups = texels / 4;
  for (int group = 0; group < groups; ++group) {
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
  for (int x = 4 * groups; x < texels; ++x) {
    const uint8_t* in = source + 3 * x;
    StoreWord(target + 4 * x, kOpaque | uint32_t(in[2]) << 16 | uint32_t(in[1]) << 8 | in[0]);
  }
}

inline uint32_t To1555(uint32_t texel) {
  return 0x8000u | ((texel >> 9) & 0x7C00u) | ((texel >> 6) & 0x03E0u) | ((texel >> 3) & 0x001Fu);
}

// Input: texels 0xFFRRGGBB, an even count. Output: two 16-bit texels per word, the left one
// in the low half so that it comes first in memory.
void PackRowToA1R5G5B5(const uint32_t* __restrict texels, uint32_t* __restrict pairs, int count) {
  for (int x = 0; x < count / 2; ++x) {
    pairs[x] = To1555(texels[2 * x]) | To1555(texels[2 * x + 1]) << 16;
  }
}

void ConvertRowToA8R8G8B8(const uint8_t* source, uint8_t* target, int texels) {
  ExpandRowToA8R8G8B8(source, target, texels);
}

void ConvertRowToA1R5G5B5(const uint8_t* source, uint8_t* target, int texels) {
  // Aligned scratch rows keep the packing loop free of alignment checks; the final copy
  // takes care of a texture row that starts at an odd address.
  alignas(16) uint32_t wide[kChunkTexels];
  alignas(16) uint32_t packed[kChunkTexels / 2 + 1];
  for (int start = 0; start < texels; start += kChunkTexels) {
    const int count = texels - start < kChunkTexels ? texels - start : kChunkTexels;
    ExpandRowToA8R8G8B8(source + 3 * start, reinterpret_cast<uint8_t*>(wide), count);
    if (count % 2 != 0) wide[count] = wide[count - 1];  // an odd last texel is packed with a copy
    PackRowToA1R5G5B5(wide, packed, count + count % 2);
    std::memcpy(target + 2 * start, packed, size_t(count) * 2);
  }
}

#if ORVEL_SSE2_PATH

// Helpers that must become part of the entries below (an entry realigns the stack on 32-bit
// Windows; a helper of its own could spill SSE values onto a misaligned one).
#define ORVEL_PART_OF_ENTRY inline __attribute__((always_inline))

// Pixels 0-1 of `p` in the low half, 2-3 in the high half, each pair at the start of its
// half: B0 G0 R0 B1 G1 R1 x x | B2 G2 R2 B3 G3 R3 x x. Reads p[0..13].
ORVEL_SSE2_FUNCTION inline __m128i LoadPixelPairs(const uint8_t* p) {
  const __m128i low = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
  return _mm_castps_si128(_mm_loadh_pi(_mm_castsi128_ps(low), reinterpret_cast<const __m64*>(p + 6)));
}

// The same for the last four pixels of a row, reading p[0..11] only.
ORVEL_SSE2_FUNCTION inline __m128i LoadLastPixelPairs(const uint8_t* p) {
  const __m128i low = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
  const __m128i tail = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 4));
  return _mm_unpacklo_epi64(low, _mm_srli_epi64(tail, 16));
}

// Four pixels from LoadPixelPairs as four 32-bit lanes 0x??RRGGBB: the odd pixels are taken
// from a copy shifted up one byte within each half.
ORVEL_SSE2_FUNCTION inline __m128i SpreadPixelPairs(__m128i pairs) {
  const __m128 even = _mm_castsi128_ps(pairs);
  const __m128 odd = _mm_castsi128_ps(_mm_slli_epi64(pairs, 8));
  const __m128i zeroTwoOneThree = _mm_castps_si128(_mm_shuffle_ps(even, odd, _MM_SHUFFLE(3, 1, 2, 0)));
  return _mm_shuffle_epi32(zeroTwoOneThree, _MM_SHUFFLE(3, 1, 2, 0));
}

ORVEL_SSE2_FUNCTION inline void StoreTexels(uint8_t* at, __m128i texels) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(at), texels);
}

// The row loops below need at least eight texels. Each does whole groups and then one last
// group that ends at the row's last pixel, overlapping the group before it where the count
// is not a multiple of the group (the texels done twice come out the same).
ORVEL_SSE2_FUNCTION ORVEL_SSE_ENTRY void ConvertRowToA8R8G8B8Sse2(const uint8_t* source, uint8_t* target, int texels) {
  const __m128i opaque = _mm_set1_epi32(int32_t(kOpaque));
  const int last = texels - 4;
  // Unrolled: with a body of seven instructions the loop's own counting shows in the time.
#pragma GCC unroll 4
  for (int x = 0; x < last; x += 4) {
    StoreTexels(target + 4 * x, _mm_or_si128(opaque, SpreadPixelPairs(LoadPixelPairs(source + 3 * x))));
  }
  StoreTexels(target + 4 * last, _mm_or_si128(opaque, SpreadPixelPairs(LoadLastPixelPairs(source + 3 * last))));
}

// Four pixels from LoadPixelPairs as four 32-bit lanes holding R5 G5 B5 in bits 3 to 17.
// PMADDWD takes two channels that sit alone in their 16-bit words and scales them into
// place; the third channel comes from the copy shifted up one byte. Even lanes (pixels at
// the start of a half) take B and R from the pairs and G from the shifted copy; odd lanes
// the other way round.
ORVEL_SSE2_FUNCTION inline __m128i GatherA1R5G5B5(__m128i pairs) {
  const __m128i pairsMask = _mm_set_epi32(0x000000F8, 0x00F800F8, 0x000000F8, 0x00F800F8);
  const __m128i pairsScale = _mm_set_epi32(32, 0x04000001, 32, 0x04000001);
  const __m128i shiftedMask = _mm_set_epi32(0x00F800F8, 0x00F80000, 0x00F800F8, 0x00F80000);
  const __m128i shiftedScale = _mm_set_epi32(0x04000001, 0x00200000, 0x04000001, 0x00200000);
  const __m128i shifted = _mm_slli_epi64(pairs, 8);
  const __m128i sum = _mm_add_epi32(_mm_madd_epi16(_mm_and_si128(pairs, pairsMask), pairsScale),
                                    _mm_madd_epi16(_mm_and_si128(shifted, shiftedMask), shiftedScale));
  return _mm_srli_epi32(sum, 3);
}

ORVEL_SSE2_FUNCTION inline __m128i PackA1R5G5B5(__m128i low, __m128i high) {
  // Lanes are below 0x8000, so the signed pack keeps them; the alpha bit goes on afterwards.
  return _mm_or_si128(_mm_set1_epi16(int16_t(0x8000)), _mm_packs_epi32(low, high));
}

ORVEL_SSE2_FUNCTION ORVEL_SSE_ENTRY void ConvertRowToA1R5G5B5Sse2(const uint8_t* source, uint8_t* target, int texels) {
  const int last = texels - 8;
#pragma GCC unroll 2
  for (int x = 0; x < last; x += 8) {
    const uint8_t* in = source + 3 * x;
    StoreTexels(target + 2 * x,
                PackA1R5G5B5(GatherA1R5G5B5(LoadPixelPairs(in)), GatherA1R5G5B5(LoadPixelPairs(in + 12))));
  }
  const uint8_t* in = source + 3 * last;
  StoreTexels(target + 2 * last,
              PackA1R5G5B5(GatherA1R5G5B5(LoadPixelPairs(in)), GatherA1R5G5B5(LoadLastPixelPairs(in + 12))));
}

// Four pixels at p[0..11] as four texels 0x00RRGGBB; the shuffle's `skip` is where they
// start in the 16 bytes loaded.
ORVEL_SSSE3_FUNCTION inline __m128i SpreadFourPixels(__m128i bytes, int skip) {
  const char z = char(0x80), s = char(skip);
  const __m128i order =
      _mm_setr_epi8(char(s + 0), char(s + 1), char(s + 2), z, char(s + 3), char(s + 4), char(s + 5), z, char(s + 6),
                    char(s + 7), char(s + 8), z, char(s + 9), char(s + 10), char(s + 11), z);
  return _mm_shuffle_epi8(bytes, order);
}

ORVEL_SSSE3_FUNCTION inline __m128i Load16(const uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

ORVEL_SSSE3_FUNCTION ORVEL_SSE_ENTRY void ConvertRowToA8R8G8B8Ssse3(const uint8_t* source, uint8_t* target,
                                                                    int texels) {
  const __m128i opaque = _mm_set1_epi32(int32_t(kOpaque));
  const int last = texels - 4;
  // A group's 16-byte load reads at most one byte past the row's last pixel, and only where
  // the width is not a multiple of four: that byte is the row's fill (rows are padded to 4).
#pragma GCC unroll 4
  for (int x = 0; x < last; x += 4) {
    StoreTexels(target + 4 * x, _mm_or_si128(opaque, SpreadFourPixels(Load16(source + 3 * x), 0)));
  }
  // The last four pixels are loaded from four bytes earlier, so as not to read past the row.
  StoreTexels(target + 4 * last, _mm_or_si128(opaque, SpreadFourPixels(Load16(source + 3 * last - 4), 4)));
}

// Four pixels spread as by SpreadFourPixels into four 32-bit lanes holding the texel's
// R5 G5 B5 fields in place. The fields are masked to their top five bits; PMADDUBSW adds G
// at 32 times to B in the low word and leaves R alone in the high one, and PMADDWD adds R at
// 1024 times to that: the texel's fields, all three bits up, shifted down at the end.
ORVEL_SSSE3_FUNCTION ORVEL_PART_OF_ENTRY __m128i FieldsOfFourSsse3(__m128i spread) {
  const __m128i topFiveBits = _mm_set1_epi32(0x00F8F8F8);
  const __m128i blueGreen = _mm_set1_epi32(0x00012001);  // bytes 1, 32, 1, 0
  const __m128i redUp = _mm_set1_epi32(0x04000001);      // words 1, 1024
  const __m128i words = _mm_maddubs_epi16(_mm_and_si128(spread, topFiveBits), blueGreen);
  return _mm_srli_epi32(_mm_madd_epi16(words, redUp), 3);
}

// Eight pixels at `in` into eight 16-bit texels at `out`; reads in[0..23] only: pixels 0-3
// from the load at 0, pixels 4-7 from the load at 8.
ORVEL_SSSE3_FUNCTION ORVEL_PART_OF_ENTRY void ConvertEightToA1R5G5B5Ssse3(const uint8_t* in, uint8_t* out) {
  const __m128i low = FieldsOfFourSsse3(SpreadFourPixels(Load16(in), 0));
  const __m128i high = FieldsOfFourSsse3(SpreadFourPixels(Load16(in + 8), 4));
  StoreTexels(out, PackA1R5G5B5(low, high));
}

ORVEL_SSSE3_FUNCTION ORVEL_SSE_ENTRY void ConvertRowToA1R5G5B5Ssse3(const uint8_t* source, uint8_t* target,
                                                                    int texels) {
  const int last = texels - 8;
#pragma GCC unroll 2
  for (int x = 0; x < last; x += 8) ConvertEightToA1R5G5B5Ssse3(source + 3 * x, target + 2 * x);
  ConvertEightToA1R5G5B5Ssse3(source + 3 * last, target + 2 * last);
}

#endif  // ORVEL_SSE2_PATH

using RowConverter = void (*)(const uint8_t*, uint8_t*, int);

RowConverter RowConverterFor(TextureFormat format, PixelPath path) {
#if ORVEL_SSE2_PATH
  if (path == PixelPath::Ssse3 && PixelPathRuns(path)) {
    switch (format) {
      case TextureFormat::A8R8G8B8:
        return ConvertRowToA8R8G8B8Ssse3;
      case TextureFormat::A1R5G5B5:
        return ConvertRowToA1R5G5B5Ssse3;
    }
    return nullptr;
  }
  if (path != PixelPath::Scalar && PixelPathRuns(path)) {
    switch (format) {
      case TextureFormat::A8R8G8B8:
        return ConvertRowToA8R8G8B8Sse2;
      case TextureFormat::A1R5G5B5:
        return ConvertRowToA1R5G5B5Sse2;
    }
    return nullptr;
  }
#else
  (void)path;
#endif
  switch (format) {
    case TextureFormat::A8R8G8B8:
      return ConvertRowToA8R8G8B8;
    case TextureFormat::A1R5G5B5:
      return ConvertRowToA1R5G5B5;
  }
  return nullptr;
}

bool ConvertRows(const uint8_t* frameBits, FrameSize size, TextureFormat format, uint8_t* textureBits,
                 std::ptrdiff_t texturePitch, PixelPath path) {
  if (!IsFrameSize(size)) return false;
  // The vector loops need a row of eight texels; narrower frames are never made.
  const RowConverter convertRow = RowConverterFor(format, size.width >= 8 ? path : PixelPath::Scalar);
  if (convertRow == nullptr) return false;
  if (texturePitch < std::ptrdiff_t(size.width) * TextureTexelBytes(format)) return false;

  const std::ptrdiff_t framePitch = FramePitch(size.width);
  for (int row = 0; row < size.height; ++row) {
    convertRow(frameBits + row * framePitch, textureBits + row * texturePitch, size.width);
  }
  return true;
}

}  // namespace

int TextureTexelBytes(TextureFormat format) {
  switch (format) {
    case TextureFormat::A8R8G8B8:
      return 4;
    case TextureFormat::A1R5G5B5:
      return 2;
  }
  return 0;
}

bool IsFrameSize(FrameSize size) {
  return size.width >= 1 && size.width <= kLargestFrameSide && size.height >= 1 && size.height <= kLargestFrameSide;
}

std::ptrdiff_t FramePitch(int32_t width) { return (std::ptrdiff_t(width) * kFramePixelBytes + 3) & ~std::ptrdiff_t(3); }

uint64_t FrameBytes(FrameSize size) {
  return IsFrameSize(size) ? uint64_t(FramePitch(size.width)) * uint64_t(size.height) : 0;
}

bool ConvertFrameToTexture(const uint8_t* frameBits, TextureFormat format, uint8_t* textureBits,
                           std::ptrdiff_t texturePitch) {
  return ConvertRows(frameBits, kStandardFrame, format, textureBits, texturePitch, BestPixelPath());
}

bool ConvertFrameToTexture(const uint8_t* frameBits, TextureFormat format, uint8_t* textureBits,
                           std::ptrdiff_t texturePitch, PixelPath path) {
  return ConvertRows(frameBits, kStandardFrame, format, textureBits, texturePitch, path);
}

bool ConvertFrameToTexture(const uint8_t* frameBits, FrameSize size, TextureFormat format, uint8_t* textureBits,
                           std::ptrdiff_t texturePitch, PixelPath path) {
  return ConvertRows(frameBits, size, format, textureBits, texturePitch, path);
}
