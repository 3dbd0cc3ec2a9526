// Conversion of decoded pictures into 24-bit B,G,R rows. Any thread (no state).
//
// YUV is converted in fixed point with 20 fraction bits. Each coefficient of the matrix is
// rounded once, and every term is a whole multiple of its coefficient: the scalar loops
// look the terms up in tables built at compile time (a luma term with the rounding half and
// the offsets folded in and, per matrix, the Cr and Cb terms of each channel), and the SSE2
// loops compute the very same integers with PMADDWD, so every path gives the same bytes. A
// pixel is then three sums and three clamps, and the chroma terms are shared by the pixels
// of a chroma sample. A rounded coefficient is at most 2^-21 off, which over code distances
// of up to 239 (luma) and 128 (each chroma) puts a sum within 2.4e-4 of the exact value:
// outputs match the formula rounded to nearest except within that distance of a half. Black
// and white are exact because 235 - 16 steps of the luma coefficient land within 0.002 of
// 255 and the chroma terms at 128 are zero.
//
// The clamp is a table too, indexed by the sum shifted to whole units: the luma terms carry
// a bias that keeps every sum positive. On a noisy 1920x1080 picture it took half the time
// of min/max clamping and a fifth of the time of a branch per channel. The SSE2 loops clamp
// with the saturating packs instead, after taking the bias off.
//
// The SSE2 loops take two lines that share a chroma line (the picture scaler's rows) a block
// of pixels at a time: the block's chroma terms into small arrays first, then sixteen pixels
// per step from them, packed from B,G,R,0 into B,G,R with shifts (SSE2 has no byte shuffle);
// the SSSE3 loops pack with PSHUFB instead, three shuffled stores per sixteen pixels. B,G,R,X
// lines lose their fourth bytes sixteen pixels at a time the same two ways.
#include "video/picture_convert.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "video/frame_scaler.h"
#include "video/video_limits.h"

#if ORVEL_SSE2_PATH
#include <emmintrin.h>
#include <tmmintrin.h>
#endif

namespace {

constexpr int kFractionBits = 20;
constexpr double kOne = 1 << kFractionBits;

// Away from zero at a half, as the terms are symmetric around code 128.
constexpr int32_t Fixed(double value) {
  return value < 0 ? -int32_t(-value * kOne + 0.5) : int32_t(value * kOne + 0.5);
}

// Output values below 0 that the clamp table covers: further than any sum reaches (checked
// below against the tables).
constexpr int kClampBias = 384;
constexpr int kClampEntries = 1024;

// 255 / 219 per luma step.
constexpr int32_t kLumaCoefficient = Fixed(255.0 / 219);
// Added to every sum: luma code 16 is 0, one half for the rounding, the clamp table's bias.
constexpr int32_t kSumOffset = -16 * kLumaCoefficient + (1 << (kFractionBits - 1)) + (kClampBias << kFractionBits);

// R = Y + 255/112 (1 - Kr) Cr, B = Y + 255/112 (1 - Kb) Cb, and G from Y = Kr R + Kg G + Kb B.
struct Coefficients {
  int32_t redFromCr, greenFromCr, greenFromCb, blueFromCb;
};

constexpr Coefficients CoefficientsOf(double kr, double kb) {
  const double kg = 1 - kr - kb;
  const double scale = 255.0 / 112;
  return {Fixed(scale * (1 - kr)), Fixed(-scale * (1 - kr) * kr / kg), Fixed(-scale * (1 - kb) * kb / kg),
          Fixed(scale * (1 - kb))};
}

struct LumaTable {
  int32_t term[256];
};

constexpr LumaTable MakeLumaTable() {
  LumaTable table{};
  for (int y = 0; y < 256; ++y) table.term[y] = kLumaCoefficient * y + kSumOffset;
  return table;
}

struct ChromaTables {
  Coefficients coefficients;
  int32_t redFromCr[256];
  int32_t greenFromCr[256];
  int32_t greenFromCb[256];
  int32_t blueFromCb[256];
};

constexpr ChromaTables MakeChromaTables(double kr, double kb) {
  ChromaTables tables{};
  const Coefficients k = CoefficientsOf(kr, kb);
  tables.coefficients = k;
  for (int code = 0; code < 256; ++code) {
    const int32_t c = code - 128;
    tables.redFromCr[code] = k.redFromCr * c;
    tables.greenFromCr[code] = k.greenFromCr * c;
    tables.greenFromCb[code] = k.greenFromCb * c;
    tables.blueFromCb[code] = k.blueFromCb * c;
  }
  return tables;
}

constexpr LumaTable kLuma = MakeLumaTable();
constexpr ChromaTables kBt601 = MakeChromaTables(0.299, 0.114);
constexpr ChromaTables kBt709 = MakeChromaTables(0.2126, 0.0722);

struct ClampTable {
  uint8_t value[kClampEntries];
};

constexpr ClampTable MakeClampTable() {
  ClampTable table{};
  for (int i = 0; i < kClampEntries; ++i) table.value[i] = uint8_t(std::min(255, std::max(0, i - kClampBias)));
  return table;
}

constexpr ClampTable kClamp = MakeClampTable();

constexpr int32_t Lowest(const int32_t (&table)[256]) {
  int32_t lowest = table[0];
  for (const int32_t entry : table) lowest = std::min(lowest, entry);
  return lowest;
}

constexpr int32_t Highest(const int32_t (&table)[256]) {
  int32_t highest = table[0];
  for (const int32_t entry : table) highest = std::max(highest, entry);
  return highest;
}

// Whether every channel's sum, for any codes, is positive and indexes the table once shifted.
constexpr bool SumsIndexTheClampTable(const ChromaTables& t) {
  const int32_t lowest =
      Lowest(kLuma.term) +
      std::min({Lowest(t.redFromCr), Lowest(t.greenFromCr) + Lowest(t.greenFromCb), Lowest(t.blueFromCb)});
  const int32_t highest =
      Highest(kLuma.term) +
      std::max({Highest(t.redFromCr), Highest(t.greenFromCr) + Highest(t.greenFromCb), Highest(t.blueFromCb)});
  return lowest >= 0 && (highest >> kFractionBits) < kClampEntries;
}

static_assert(SumsIndexTheClampTable(kBt601) && SumsIndexTheClampTable(kBt709), "a sum falls outside the clamp table");

// The SSE2 loops split a coefficient into high * 128 + low and multiply (value, value << 7)
// word pairs by (low, high): both halves must be 16-bit, and value << 7 too (luma codes up
// to 255, chroma codes -128 to 127 around 128).
constexpr bool SplitsIntoWords(int32_t coefficient) {
  return (coefficient >> 7) >= -32768 && (coefficient >> 7) <= 32767;
}

static_assert(SplitsIntoWords(kLumaCoefficient) && SplitsIntoWords(kBt601.coefficients.blueFromCb) &&
                  SplitsIntoWords(kBt709.coefficients.blueFromCb) && SplitsIntoWords(kBt709.coefficients.redFromCr),
              "a coefficient does not split into 16-bit halves");

const ChromaTables* TablesFor(YuvMatrix matrix) {
  switch (matrix) {
    case YuvMatrix::Bt601:
      return &kBt601;
    case YuvMatrix::Bt709:
      return &kBt709;
  }
  return nullptr;
}

struct ChromaTerms {
  int32_t red, green, blue;
};

inline ChromaTerms TermsOf(uint8_t cb, uint8_t cr, const ChromaTables& t) {
  return {t.redFromCr[cr], t.greenFromCr[cr] + t.greenFromCb[cb], t.blueFromCb[cb]};
}

inline uint8_t Channel(int32_t sum) { return kClamp.value[sum >> kFractionBits]; }

inline void WritePixel(uint8_t y, const ChromaTerms& c, uint8_t* out) {
  const int32_t luma = kLuma.term[y];
  out[0] = Channel(luma + c.blue);
  out[1] = Channel(luma + c.green);
  out[2] = Channel(luma + c.red);
}

// One line: luma samples kLumaStep bytes apart, one chroma sample per pair of pixels at
// cb[k * kChromaStep] and cr[k * kChromaStep]. The steps are constants so that each layout
// gets a loop of its own with plain indexed loads.
template <int kLumaStep, int kChromaStep>
void ConvertYuvLine(const uint8_t* __restrict luma, const uint8_t* __restrict cb, const uint8_t* __restrict cr,
                    int32_t width, const ChromaTables& tables, uint8_t* __restrict out) {
  const int32_t pairs = width / 2;
  for (int32_t k = 0; k < pairs; ++k) {
    const ChromaTerms c = TermsOf(cb[k * kChromaStep], cr[k * kChromaStep], tables);
    WritePixel(luma[2 * k * kLumaStep], c, out + 6 * k);
    WritePixel(luma[(2 * k + 1) * kLumaStep], c, out + 6 * k + 3);
  }
  if (width % 2 == 0) return;
  // An odd last pixel has a chroma sample of its own, and no right neighbour to read.
  WritePixel(luma[2 * pairs * kLumaStep], TermsOf(cb[pairs * kChromaStep], cr[pairs * kChromaStep], tables),
             out + 6 * pairs);
}

void ConvertYuvLineOfStep(const uint8_t* luma, const uint8_t* cb, const uint8_t* cr, int chromaStep, int32_t width,
                          const ChromaTables& tables, uint8_t* out) {
  if (chromaStep == 2) return ConvertYuvLine<1, 2>(luma, cb, cr, width, tables, out);
  ConvertYuvLine<1, 1>(luma, cb, cr, width, tables, out);
}

// ---- SSE2 loops --------------------------------------------------------------------------

#if ORVEL_SSE2_PATH

// The helpers of the entries below become part of them: on their own they could spill SSE
// values with aligned moves onto a stack that only an entry realigns (32-bit Windows).
#define ORVEL_PART_OF_ENTRY inline __attribute__((always_inline))

// Pixels whose chroma terms one block keeps on the stack.
constexpr int kBlockPixels = 512;

// (low, high) in each 32-bit lane: PMADDWD of (value, value << 7) by it is value * coefficient.
inline int32_t SplitWords(int32_t coefficient) {
  return int32_t(uint32_t(coefficient & 127) | uint32_t(coefficient >> 7) << 16);
}

// The same for a Cb,Cr word pair, as two halves: (lowCb, lowCr) and (highCb, highCr).
struct PairWeights {
  int32_t low, high;
};

inline PairWeights SplitPair(int32_t cbCoefficient, int32_t crCoefficient) {
  const auto word = [](int32_t v) { return uint32_t(uint16_t(int16_t(v))); };
  return {int32_t(word(cbCoefficient & 127) | word(crCoefficient & 127) << 16),
          int32_t(word(cbCoefficient >> 7) | word(crCoefficient >> 7) << 16)};
}

// value * (high * 128 + low) for each (Cb, Cr) word pair, summed over the pair.
ORVEL_SSE2_FUNCTION ORVEL_PART_OF_ENTRY __m128i ChromaSumSse2(__m128i pairs, const PairWeights& w) {
  const __m128i low = _mm_madd_epi16(pairs, _mm_set1_epi32(w.low));
  const __m128i high = _mm_madd_epi16(pairs, _mm_set1_epi32(w.high));
  return _mm_add_epi32(low, _mm_slli_epi32(high, 7));
}

// The chroma terms of `samples` (a multiple of 4) samples into three arrays: what TermsOf
// gives plus the luma table's offset, less the clamp table's bias (the packs clamp instead).
ORVEL_SSE2_FUNCTION ORVEL_PART_OF_ENTRY void ChromaTermsSse2(const uint8_t* cb, const uint8_t* cr, int chromaStep,
                                                             int samples, const Coefficients& k, int32_t* red,
                                                             int32_t* green, int32_t* blue) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i centre = _mm_set1_epi16(128);
  const __m128i offset = _mm_set1_epi32(kSumOffset - (kClampBias << kFractionBits));
  const PairWeights redWeights = SplitPair(0, k.redFromCr);
  const PairWeights greenWeights = SplitPair(k.greenFromCb, k.greenFromCr);
  const PairWeights blueWeights = SplitPair(k.blueFromCb, 0);
  for (int j = 0; j < samples; j += 4) {
    __m128i pairs;  // Cb Cr Cb Cr ... as words
    if (chromaStep == 2) {
      pairs = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cb + 2 * j)), zero);
    } else {
      int32_t fourCb, fourCr;
      std::memcpy(&fourCb, cb + j, 4);
      std::memcpy(&fourCr, cr + j, 4);
      pairs = _mm_unpacklo_epi8(_mm_unpacklo_epi8(_mm_cvtsi32_si128(fourCb), _mm_cvtsi32_si128(fourCr)), zero);
    }
    pairs = _mm_sub_epi16(pairs, centre);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(red + j), _mm_add_epi32(ChromaSumSse2(pairs, redWeights), offset));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(green + j), _mm_add_epi32(ChromaSumSse2(pairs, greenWeights), offset));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(blue + j), _mm_add_epi32(ChromaSumSse2(pairs, blueWeights), offset));
  }
}

// One channel of eight pixels: luma sums plus each chroma term twice, shifted to whole units
// (rounding down, as the table's index does), as eight words; the pack to bytes clamps.
ORVEL_SSE2_FUNCTION ORVEL_PART_OF_ENTRY __m128i ChannelWordsSse2(__m128i lumaLow, __m128i lumaHigh,
                                                                 const int32_t* terms) {
  const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(terms));
  const __m128i low = _mm_srai_epi32(_mm_add_epi32(lumaLow, _mm_unpacklo_epi32(four, four)), kFractionBits);
  const __m128i high = _mm_srai_epi32(_mm_add_epi32(lumaHigh, _mm_unpackhi_epi32(four, four)), kFractionBits);
  return _mm_packs_epi32(low, high);
}

// Four pixels B,G,R,0 to twelve bytes B,G,R at the bottom of the register (the rest zero).
ORVEL_SSE2_FUNCTION ORVEL_PART_OF_ENTRY __m128i PackPixelsSse2(__m128i pixels) {
  const __m128i first = _mm_set_epi32(0, 0x00FFFFFF, 0, 0x00FFFFFF);
  const __m128i second = _mm_set_epi32(0x0000FFFF, 0xFF000000, 0x0000FFFF, 0xFF000000);
  const __m128i halves = _mm_or_si128(_mm_and_si128(pixels, first), _mm_and_si128(_mm_srli_epi64(pixels, 8), second));
  return _mm_or_si128(_mm_move_epi64(halves), _mm_slli_si128(_mm_unpackhi_epi64(halves, _mm_setzero_si128()), 6));
}

// Eight pixels as two registers of twelve bytes (PackPixelsSse2).
// Eight pixels' channels: B0..B7 G0..G7 as bytes, and R0..R7 as words.
struct EightPixels {
  __m128i blueGreen, redWords;
};

ORVEL_SSE2_FUNCTION ORVEL_PART_OF_ENTRY EightPixels ConvertEightSse2(const uint8_t* luma, const int32_t* red,
                                                                     const int32_t* green, const int32_t* blue) {
  const __m128i lumaWeights = _mm_set1_epi32(SplitWords(kLumaCoefficient));
  const __m128i y = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(luma)), _mm_setzero_si128());
  const __m128i shifted = _mm_slli_epi16(y, 7);
  const __m128i lumaLow = _mm_madd_epi16(_mm_unpacklo_epi16(y, shifted), lumaWeights);
  const __m128i lumaHigh = _mm_madd_epi16(_mm_unpackhi_epi16(y, shifted), lumaWeights);
  const __m128i b = ChannelWordsSse2(lumaLow, lumaHigh, blue);
  const __m128i g = ChannelWordsSse2(lumaLow, lumaHigh, green);
  return {_mm_packus_epi16(b, g), ChannelWordsSse2(lumaLow, lumaHigh, red)};
}

// The eight pixels as two registers of twelve bytes B,G,R (PackPixelsSse2).
struct TwelveBytes {
  __m128i low, high;
};

ORVEL_SSE2_FUNCTION ORVEL_PART_OF_ENTRY TwelveBytes PackEightSse2(const EightPixels& p) {
  const __m128i bgPairs = _mm_unpacklo_epi8(p.blueGreen, _mm_unpackhi_epi64(p.blueGreen, p.blueGreen));
  const __m128i redZero = _mm_unpacklo_epi8(_mm_packus_epi16(p.redWords, p.redWords), _mm_setzero_si128());
  return {PackPixelsSse2(_mm_unpacklo_epi16(bgPairs, redZero)), PackPixelsSse2(_mm_unpackhi_epi16(bgPairs, redZero))};
}

ORVEL_SSE2_FUNCTION ORVEL_PART_OF_ENTRY void StoreEightSse2(const EightPixels& p, uint8_t* out) {
  const TwelveBytes a = PackEightSse2(p);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_or_si128(a.low, _mm_slli_si128(a.high, 12)));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 16), _mm_srli_si128(a.high, 4));
}

// `pixels` is a multiple of 8: sixteen at a time into three whole stores, then eight.
ORVEL_SSE2_FUNCTION ORVEL_PART_OF_ENTRY void ConvertBlockLineSse2(const uint8_t* luma, int pixels, const int32_t* red,
                                                                  const int32_t* green, const int32_t* blue,
                                                                  uint8_t* out) {
  int x = 0;
  for (; x + 16 <= pixels; x += 16, out += 48) {
    const int j = x / 2;
    const TwelveBytes a = PackEightSse2(ConvertEightSse2(luma + x, red + j, green + j, blue + j));
    const TwelveBytes b = PackEightSse2(ConvertEightSse2(luma + x + 8, red + j + 4, green + j + 4, blue + j + 4));
    __m128i* at = reinterpret_cast<__m128i*>(out);
    _mm_storeu_si128(at, _mm_or_si128(a.low, _mm_slli_si128(a.high, 12)));
    _mm_storeu_si128(at + 1, _mm_or_si128(_mm_srli_si128(a.high, 4), _mm_slli_si128(b.low, 8)));
    _mm_storeu_si128(at + 2, _mm_or_si128(_mm_srli_si128(b.low, 8), _mm_slli_si128(b.high, 4)));
  }
  if (x < pixels) StoreEightSse2(ConvertEightSse2(luma + x, red + x / 2, green + x / 2, blue + x / 2), out);
}

// `pixels` is a multiple of 8; `second` and secondOut may be null.
ORVEL_SSE2_FUNCTION ORVEL_SSE_ENTRY void ConvertYuvLinesSse2(const uint8_t* first, const uint8_t* second,
                                                             const uint8_t* cb, const uint8_t* cr, int chromaStep,
                                                             int pixels, const Coefficients& k, uint8_t* firstOut,
                                                             uint8_t* secondOut) {
  int32_t red[kBlockPixels / 2], green[kBlockPixels / 2], blue[kBlockPixels / 2];
  for (int start = 0; start < pixels; start += kBlockPixels) {
    const int count = std::min(kBlockPixels, pixels - start);
    const std::ptrdiff_t chroma = std::ptrdiff_t(start / 2) * chromaStep;
    ChromaTermsSse2(cb + chroma, cr + chroma, chromaStep, count / 2, k, red, green, blue);
    ConvertBlockLineSse2(first + start, count, red, green, blue, firstOut + 3 * start);
    if (second != nullptr) ConvertBlockLineSse2(second + start, count, red, green, blue, secondOut + 3 * start);
  }
}

// ---- SSSE3 loops: the same arithmetic, packed by byte shuffles ------------------------------

// Sixteen pixels are three registers: B,G of pixels 0-7, of pixels 8-15, and R of all sixteen.
// Byte i of output register o takes, from source s, the byte this table names (0x80: none).
struct ShuffleMasks {
  uint8_t bytes[3][3][16];
};

constexpr ShuffleMasks MakeShuffleMasks() {
  ShuffleMasks masks{};
  for (int o = 0; o < 3; ++o) {
    for (int s = 0; s < 3; ++s) {
      for (int i = 0; i < 16; ++i) masks.bytes[o][s][i] = 0x80;
    }
  }
  for (int k = 0; k < 48; ++k) {
    const int pixel = k / 3, channel = k % 3;  // B, G, R
    const int source = channel == 2 ? 2 : pixel / 8;
    masks.bytes[k / 16][source][k % 16] = uint8_t(channel == 2 ? pixel : channel * 8 + pixel % 8);
  }
  return masks;
}

constexpr ShuffleMasks kShuffleMasks = MakeShuffleMasks();

ORVEL_SSSE3_FUNCTION ORVEL_PART_OF_ENTRY __m128i ShuffledSsse3(__m128i source, int output, int from) {
  const __m128i mask = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kShuffleMasks.bytes[output][from]));
  return _mm_shuffle_epi8(source, mask);
}

ORVEL_SSSE3_FUNCTION ORVEL_PART_OF_ENTRY void ConvertBlockLineSsse3(const uint8_t* luma, int pixels, const int32_t* red,
                                                                    const int32_t* green, const int32_t* blue,
                                                                    uint8_t* out) {
  int x = 0;
  for (; x + 16 <= pixels; x += 16, out += 48) {
    const int j = x / 2;
    const EightPixels a = ConvertEightSse2(luma + x, red + j, green + j, blue + j);
    const EightPixels b = ConvertEightSse2(luma + x + 8, red + j + 4, green + j + 4, blue + j + 4);
    const __m128i reds = _mm_packus_epi16(a.redWords, b.redWords);
    const __m128i middle = _mm_or_si128(ShuffledSsse3(a.blueGreen, 1, 0), ShuffledSsse3(b.blueGreen, 1, 1));
    __m128i* at = reinterpret_cast<__m128i*>(out);
    _mm_storeu_si128(at, _mm_or_si128(ShuffledSsse3(a.blueGreen, 0, 0), ShuffledSsse3(reds, 0, 2)));
    _mm_storeu_si128(at + 1, _mm_or_si128(middle, ShuffledSsse3(reds, 1, 2)));
    _mm_storeu_si128(at + 2, _mm_or_si128(ShuffledSsse3(b.blueGreen, 2, 1), ShuffledSsse3(reds, 2, 2)));
  }
  if (x < pixels) StoreEightSse2(ConvertEightSse2(luma + x, red + x / 2, green + x / 2, blue + x / 2), out);
}

ORVEL_SSSE3_FUNCTION ORVEL_SSE_ENTRY void ConvertYuvLinesSsse3(const uint8_t* first, const uint8_t* second,
                                                               const uint8_t* cb, const uint8_t* cr, int chromaStep,
                                                               int pixels, const Coefficients& k, uint8_t* firstOut,
                                                               uint8_t* secondOut) {
  int32_t red[kBlockPixels / 2], green[kBlockPixels / 2], blue[kBlockPixels / 2];
  for (int start = 0; start < pixels; start += kBlockPixels) {
    const int count = std::min(kBlockPixels, pixels - start);
    const std::ptrdiff_t chroma = std::ptrdiff_t(start / 2) * chromaStep;
    ChromaTermsSse2(cb + chroma, cr + chroma, chromaStep, count / 2, k, red, green, blue);
    ConvertBlockLineSsse3(first + start, count, red, green, blue, firstOut + 3 * start);
    if (second != nullptr) ConvertBlockLineSsse3(second + start, count, red, green, blue, secondOut + 3 * start);
  }
}

// ---- B,G,R,X lines to B,G,R ------------------------------------------------------------------

// Sixteen pixels' twelve-byte groups (each at the bottom of its register, the rest zero) into
// three whole stores.
ORVEL_SSE2_FUNCTION ORVEL_PART_OF_ENTRY void StoreFourTwelvesSse2(__m128i a, __m128i b, __m128i c, __m128i d,
                                                                  uint8_t* out) {
  __m128i* at = reinterpret_cast<__m128i*>(out);
  _mm_storeu_si128(at, _mm_or_si128(a, _mm_slli_si128(b, 12)));
  _mm_storeu_si128(at + 1, _mm_or_si128(_mm_srli_si128(b, 4), _mm_slli_si128(c, 8)));
  _mm_storeu_si128(at + 2, _mm_or_si128(_mm_srli_si128(c, 8), _mm_slli_si128(d, 4)));
}

ORVEL_SSE2_FUNCTION ORVEL_PART_OF_ENTRY __m128i TwelveOfSixteenSse2(const uint8_t* at) {
  return PackPixelsSse2(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)));
}

ORVEL_SSSE3_FUNCTION ORVEL_PART_OF_ENTRY __m128i TwelveOfSixteenSsse3(const uint8_t* at) {
  const __m128i order = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -128, -128, -128, -128);
  return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), order);
}

// Whole groups of sixteen pixels; each returns the pixels it did.
ORVEL_SSE2_FUNCTION ORVEL_SSE_ENTRY int32_t DropFourthBytesSse2(const uint8_t* in, int32_t width, uint8_t* out) {
  int32_t x = 0;
  for (; x + 16 <= width; x += 16) {
    const uint8_t* from = in + 4 * x;
    StoreFourTwelvesSse2(TwelveOfSixteenSse2(from), TwelveOfSixteenSse2(from + 16), TwelveOfSixteenSse2(from + 32),
                         TwelveOfSixteenSse2(from + 48), out + 3 * x);
  }
  return x;
}

ORVEL_SSSE3_FUNCTION ORVEL_SSE_ENTRY int32_t DropFourthBytesSsse3(const uint8_t* in, int32_t width, uint8_t* out) {
  int32_t x = 0;
  for (; x + 16 <= width; x += 16) {
    const uint8_t* from = in + 4 * x;
    StoreFourTwelvesSse2(TwelveOfSixteenSsse3(from), TwelveOfSixteenSsse3(from + 16), TwelveOfSixteenSsse3(from + 32),
                         TwelveOfSixteenSsse3(from + 48), out + 3 * x);
  }
  return x;
}

#endif  // ORVEL_SSE2_PATH

void DropFourthBytes(const uint8_t* __restrict in, int32_t width, uint8_t* __restrict out) {
  for (int32_t x = 0; x < width; ++x) std::memcpy(out + 3 * x, in + 4 * x, 3);
}

}  // namespace

// All in 64 bits: a stride and planeRows of up to 2^31 each reach below 2^63 in every format.
DecodedPlanes PlanesOf(const DecodedPicture& p) {
  DecodedPlanes layout;
  if (!IsAcceptedVideoSide(p.width) || !IsAcceptedVideoSide(p.height) || p.stride <= 0) return layout;
  const int64_t planeRows = p.planeRows == 0 ? p.height : p.planeRows;
  if (planeRows < p.height) return layout;

  const uint64_t w = uint64_t(p.width), h = uint64_t(p.height), s = uint64_t(p.stride);
  const uint64_t chromaWidth = (w + 1) / 2, chromaLines = (h + 1) / 2;
  const uint64_t lumaPlane = s * uint64_t(planeRows);
  switch (p.format) {
    case DecodedFormat::Nv12:
      if (s < 2 * chromaWidth) return layout;
      layout.cbOffset = lumaPlane;
      layout.crOffset = lumaPlane + 1;
      layout.chromaStride = s;
      layout.bytes = lumaPlane + s * (chromaLines - 1) + 2 * chromaWidth;
      break;
    case DecodedFormat::I420:
    case DecodedFormat::Yv12: {
      if (s < w) return layout;  // then (s + 1) / 2 holds the chroma line too
      const uint64_t chromaStride = (s + 1) / 2;
      const uint64_t first = lumaPlane, second = lumaPlane + chromaStride * ((uint64_t(planeRows) + 1) / 2);
      layout.cbOffset = p.format == DecodedFormat::I420 ? first : second;
      layout.crOffset = p.format == DecodedFormat::I420 ? second : first;
      layout.chromaStride = chromaStride;
      layout.bytes = second + chromaStride * (chromaLines - 1) + chromaWidth;
      break;
    }
    case DecodedFormat::Yuy2:
    case DecodedFormat::Uyvy:
      if (s < 4 * chromaWidth) return layout;
      layout.bytes = s * (h - 1) + 4 * chromaWidth;
      break;
    case DecodedFormat::Rgb32:
      if (s < 4 * w) return layout;
      layout.bytes = s * (h - 1) + 4 * w;
      break;
    case DecodedFormat::Rgb24:
      if (s < 3 * w) return layout;
      layout.bytes = s * (h - 1) + 3 * w;
      break;
  }
  // A 32-bit build cannot point that far; refusing here keeps every offset a ptrdiff_t.
  if (layout.bytes > uint64_t(PTRDIFF_MAX)) layout.bytes = 0;
  return layout;
}

namespace {

// Picture line y (from the top) into `out`.
void ConvertLine(const uint8_t* source, const DecodedPicture& p, const DecodedPlanes& layout, int32_t y,
                 const ChromaTables& tables, uint8_t* out) {
  const std::ptrdiff_t stride = p.stride;
  const uint8_t* line = source + std::ptrdiff_t(y) * stride;
  const std::ptrdiff_t chromaLine = std::ptrdiff_t(y / 2) * std::ptrdiff_t(layout.chromaStride);
  const uint8_t* cb = source + layout.cbOffset + chromaLine;
  const uint8_t* cr = source + layout.crOffset + chromaLine;
  const uint8_t* packedLine = source + std::ptrdiff_t(p.bottomUp ? p.height - 1 - y : y) * stride;
  switch (p.format) {
    case DecodedFormat::Nv12:
      return ConvertYuvLine<1, 2>(line, cb, cr, p.width, tables, out);
    case DecodedFormat::I420:
    case DecodedFormat::Yv12:
      return ConvertYuvLine<1, 1>(line, cb, cr, p.width, tables, out);
    case DecodedFormat::Yuy2:
      return ConvertYuvLine<2, 4>(line, line + 1, line + 3, p.width, tables, out);
    case DecodedFormat::Uyvy:
      return ConvertYuvLine<2, 4>(line + 1, line, line + 2, p.width, tables, out);
    case DecodedFormat::Rgb32:
      return CopyRgb32LineToRgb24(packedLine, p.width, out, BestPixelPath());
    case DecodedFormat::Rgb24:
      std::memcpy(out, packedLine, size_t(p.width) * 3);
      return;
  }
}

}  // namespace

YuvMatrix MatrixForSize(int32_t width, int32_t height) {
  return width > 1024 || height > 576 ? YuvMatrix::Bt709 : YuvMatrix::Bt601;
}

uint64_t Rgb24PictureBytes(int32_t width, int32_t height) {
  return IsAcceptedVideoSide(height) ? ScaledSourceBytes(width, height) : 0;
}

uint64_t DecodedPictureBytes(const DecodedPicture& picture) { return PlanesOf(picture).bytes; }

bool ConvertPictureToRgb24(const uint8_t* source, uint64_t sourceBytes, const DecodedPicture& picture, YuvMatrix matrix,
                           uint8_t* destination) {
  const DecodedPlanes layout = PlanesOf(picture);
  const ChromaTables* tables = TablesFor(matrix);
  if (layout.bytes == 0 || sourceBytes < layout.bytes || tables == nullptr) return false;
  if (source == nullptr || destination == nullptr) return false;

  const size_t lineBytes = size_t(picture.width) * 3;
  const size_t pitch = (lineBytes + 3) & ~size_t(3);
  for (int32_t y = 0; y < picture.height; ++y) {
    uint8_t* out = destination + size_t(y) * pitch;
    ConvertLine(source, picture, layout, y, *tables, out);
    std::memset(out + lineBytes, 0, pitch - lineBytes);
  }
  return true;
}

void CopyRgb32LineToRgb24(const uint8_t* line, int32_t width, uint8_t* out, PixelPath path) {
  int32_t done = 0;
#if ORVEL_SSE2_PATH
  if (path == PixelPath::Ssse3 && PixelPathRuns(path)) {
    done = DropFourthBytesSsse3(line, width, out);
  } else if (path != PixelPath::Scalar && PixelPathRuns(path)) {
    done = DropFourthBytesSse2(line, width, out);
  }
#else
  (void)path;
#endif
  DropFourthBytes(line + 4 * done, width - done, out + 3 * done);
}

bool ConvertYuvLinesToRgb24(const uint8_t* first, const uint8_t* second, const uint8_t* cb, const uint8_t* cr,
                            int chromaStep, int32_t width, YuvMatrix matrix, uint8_t* firstOut, uint8_t* secondOut,
                            PixelPath path) {
  const ChromaTables* tables = TablesFor(matrix);
  if (tables == nullptr || (chromaStep != 1 && !(chromaStep == 2 && cr == cb + 1)) || width < 1) return false;
  if (second == nullptr) secondOut = nullptr;
  int32_t done = 0;
#if ORVEL_SSE2_PATH
  if (path != PixelPath::Scalar && PixelPathRuns(path)) {
    done = width / 8 * 8;
    const auto lines = path == PixelPath::Ssse3 ? ConvertYuvLinesSsse3 : ConvertYuvLinesSse2;
    if (done > 0) lines(first, second, cb, cr, chromaStep, done, tables->coefficients, firstOut, secondOut);
    if (done == width) return true;
  }
#else
  (void)path;
#endif
  // The pixels the SSE2 loop leaves (an even number of them precede), or all of them.
  const std::ptrdiff_t chroma = std::ptrdiff_t(done / 2) * chromaStep;
  ConvertYuvLineOfStep(first + done, cb + chroma, cr + chroma, chromaStep, width - done, *tables, firstOut + 3 * done);
  if (second != nullptr) {
    ConvertYuvLineOfStep(second + done, cb + chroma, cr + chroma, chromaStep, width - done, *tables,
                         secondOut + 3 * done);
  }
  return true;
}
