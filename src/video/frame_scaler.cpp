// Scaling of a video frame into the frame surface. Threads as in the header.
//
// Separable, in fixed point, one frame row at a time: the source rows that frame row covers
// are first combined column by column into a row of `between` values (7 fraction bits), and
// that row is then combined across into the frame's pixels. The rows are done first
// because that pass is the one that touches every source byte, and across a row it is the
// same arithmetic for every byte, which SSE2 does 32 bytes at a time; the column pass then
// only sees the frame's rows however tall the video is.
//
// Down the rows each tap is floor(pixel * weight / 256) with 15-bit weights (PMULHUW of the
// pixel in the high byte), summed in 16 bits with half the tap count added to centre the
// truncation. Across, 14-bit weights multiply the between values in 32-bit sums (PMADDWD
// of two neighbouring pixels at a time), rounded once at the end. Both passes are exact
// integer arithmetic, so the scalar and SSE2 loops give the same bytes; and because each
// output's weights sum exactly to the unit, a uniform picture stays exactly uniform.
//
// The same passes scale the picture scaler's planes of one channel (Y, Cb, Cr) and of two
// (Cb,Cr pairs), whose across loops weigh several outputs per PMADDWD instead of one pixel's
// three channels: four outputs' tap pairs side by side for one channel, two outputs' Cb and
// Cr pairs for two. Packed Y,Cb,Y,Cr lines go through the down pass whole (it does not care
// what a byte is) and the plane's own values are picked from every other one afterwards,
// which costs one pass over a line of the output's height rather than a copy of the source.
// A plane of its output's size is not scaled at all: its rows are the source's own, and a
// plane only as wide as its output is only rounded across.
#include "video/frame_scaler.h"

#include <algorithm>
#include <cstring>

#if ORVEL_SSE2_PATH
#include <emmintrin.h>
#endif

namespace {

constexpr int32_t kAcrossUnit = 1 << 14;
constexpr int32_t kDownUnit = 1 << 15;
constexpr int kBetweenFractionBits = 7;                  // kDownUnit >> 8
constexpr int kOutputShift = kBetweenFractionBits + 14;  // between * across weight
constexpr int32_t kOutputRounding = 1 << (kOutputShift - 1);
// A between value is at most 255 * 128 plus half the line taps; a source side at most 128
// times its output side keeps that under 32767 (the 16-bit sums) with room to spare.
constexpr int64_t kLongestShrink = 128;

std::ptrdiff_t SourcePitch(int32_t width) { return (std::ptrdiff_t(width) * 3 + 3) & ~std::ptrdiff_t(3); }

size_t RoundUp(size_t value, size_t step) { return (value + step - 1) / step * step; }

// The filter from `sourceSide` pixels to `outputSide`, weights summing to `unit`, padded to
// an even number of taps when `evenTaps`.
PlaneScaler::Filter MakeFilter(int32_t sourceSide, int32_t outputSide, int32_t unit, bool evenTaps) {
  std::vector<int32_t> first(outputSide), count(outputSide);
  std::vector<std::vector<int32_t>> weights(outputSide);
  for (int i = 0; i < outputSide; ++i) {
    std::vector<int32_t>& w = weights[i];
    if (sourceSide > outputSide) {
      // Output i covers [i, i + 1) * sourceSide / outputSide source pixels; in 1/outputSide
      // of a pixel every edge is a whole number, so each pixel's share is exact before
      // rounding.
      const int64_t low = int64_t(i) * sourceSide;
      const int64_t high = low + sourceSide;
      first[i] = int32_t(low / outputSide);
      const int32_t last = int32_t((high - 1) / outputSide);
      int32_t sum = 0;
      for (int32_t j = first[i]; j <= last; ++j) {
        const int64_t overlap =
            std::min<int64_t>(high, int64_t(j + 1) * outputSide) - std::max<int64_t>(low, int64_t(j) * outputSide);
        w.push_back(int32_t((overlap * unit + sourceSide / 2) / sourceSide));
        sum += w.back();
      }
      // Rounding leaves the sum a few units off; the largest share takes the difference.
      *std::max_element(w.begin(), w.end()) += unit - sum;
    } else {
      // Centre of output i in source pixels: (i + 0.5) * sourceSide / outputSide - 0.5,
      // counted in 1/(2 outputSide) of a pixel.
      const int64_t centre = int64_t(2 * i + 1) * sourceSide - outputSide;
      const int32_t below = int32_t(centre / (2 * outputSide));
      const int32_t fraction = int32_t(centre % (2 * outputSide) * unit / (2 * outputSide));
      if (centre <= 0) {
        first[i] = 0;
        w.push_back(unit);
      } else if (below >= sourceSide - 1) {
        first[i] = sourceSide - 1;
        w.push_back(unit);
      } else {
        first[i] = below;
        w.push_back(unit - fraction);
        if (fraction != 0) w.push_back(fraction);
      }
    }
    count[i] = int32_t(w.size());
  }

  PlaneScaler::Filter filter;
  for (const std::vector<int32_t>& w : weights) filter.taps = std::max(filter.taps, int(w.size()));
  if (evenTaps) filter.taps += filter.taps % 2;
  filter.first = first;
  filter.count = count;
  filter.weights.assign(size_t(outputSide) * filter.taps, 0);
  for (int i = 0; i < outputSide; ++i) {
    std::copy(weights[i].begin(), weights[i].end(), filter.weights.begin() + ptrdiff_t(i) * filter.taps);
  }
  return filter;
}

// ---- Scalar loops ------------------------------------------------------------------------

void ScaleDownScalar(const uint8_t* bottomTap, std::ptrdiff_t rowStep, int count, const int32_t* weights, int channels,
                     int16_t* between) {
  std::fill(between, between + channels, int16_t(count / 2));
  for (int t = 0; t < count; ++t) {
    const uint8_t* row = bottomTap + t * rowStep;
    const int32_t weight = weights[t];
    for (int c = 0; c < channels; ++c) between[c] = int16_t(between[c] + ((row[c] * weight) >> 8));
  }
}

// B,G,R,X pixels to B,G,R, in place: a pixel's new place is never behind its old one.
void SkipFourthScalar(int16_t* between, int pixels) {
  for (int j = 0; j < pixels; ++j) {
    for (int c = 0; c < 3; ++c) between[3 * j + c] = between[4 * j + c];
  }
}

uint8_t OutputChannel(int32_t sum) { return uint8_t(std::min(255, (sum + kOutputRounding) >> kOutputShift)); }

template <int kChannels>
void ScaleAcrossScalar(const int16_t* between, const PlaneScaler::Filter& across, int outputs, uint8_t* out) {
  for (int x = 0; x < outputs; ++x) {
    const int16_t* sample = between + kChannels * across.first[x];
    const int32_t* weights = &across.weights[size_t(x) * across.taps];
    int32_t sums[kChannels] = {};
    for (int t = 0; t < across.taps; ++t, sample += kChannels) {
      for (int c = 0; c < kChannels; ++c) sums[c] += sample[c] * weights[t];
    }
    for (int c = 0; c < kChannels; ++c) out[kChannels * x + c] = OutputChannel(sums[c]);
  }
}

// The across pass of a plane as wide as its output: a single tap of the whole unit, which
// leaves (value * 2^14 + 2^20) >> 21, the value rounded to whole steps.
void RoundAcrossScalar(const int16_t* between, int values, uint8_t* out) {
  for (int i = 0; i < values; ++i) out[i] = uint8_t(std::min(255, (between[i] + 64) >> kBetweenFractionBits));
}

// ---- SSE2 loops --------------------------------------------------------------------------

#if ORVEL_SSE2_PATH

// The helpers of the entries below become part of them: on their own they could spill SSE
// values with aligned moves onto a stack that only an entry realigns (32-bit Windows).
#define ORVEL_PART_OF_ENTRY inline __attribute__((always_inline))

// Sixteen channels of one row tap, added into two sums of eight.
ORVEL_SSE2_FUNCTION ORVEL_PART_OF_ENTRY void AddDownTapSse2(const uint8_t* at, __m128i weight, __m128i* low,
                                                            __m128i* high) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  *low = _mm_add_epi16(*low, _mm_mulhi_epu16(_mm_unpacklo_epi8(zero, pixels), weight));
  *high = _mm_add_epi16(*high, _mm_mulhi_epu16(_mm_unpackhi_epi8(zero, pixels), weight));
}

// Needs channels >= 16. Blocks of 32 channels share each weight load; the last block is
// moved back to end at the row's last byte, so no load reaches past the row (the channels
// done twice come out the same).
ORVEL_SSE2_FUNCTION ORVEL_SSE_ENTRY void ScaleDownSse2(const uint8_t* bottomTap, std::ptrdiff_t rowStep, int count,
                                                       const int16_t* tapWeights, int channels, int16_t* between) {
  const __m128i centre = _mm_set1_epi16(int16_t(count / 2));
  if (channels < 32) {
    // Rows of 6 to 10 pixels: two blocks of 16, the second moved back.
    for (const int c : {0, channels - 16}) {
      __m128i low = centre, high = centre;
      const uint8_t* at = bottomTap + c;
      for (int t = 0; t < count; ++t, at += rowStep) {
        AddDownTapSse2(at, _mm_loadu_si128(reinterpret_cast<const __m128i*>(tapWeights + 8 * t)), &low, &high);
      }
      _mm_storeu_si128(reinterpret_cast<__m128i*>(between + c), low);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(between + c + 8), high);
    }
    return;
  }
  for (int c = 0;; c += 32) {
    c = std::min(c, channels - 32);
    __m128i first = centre, second = centre, third = centre, fourth = centre;
    const uint8_t* at = bottomTap + c;
    for (int t = 0; t < count; ++t, at += rowStep) {
      const __m128i weight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tapWeights + 8 * t));
      AddDownTapSse2(at, weight, &first, &second);
      AddDownTapSse2(at + 16, weight, &third, &fourth);
    }
    __m128i* out = reinterpret_cast<__m128i*>(between + c);
    _mm_storeu_si128(out, first);
    _mm_storeu_si128(out + 1, second);
    _mm_storeu_si128(out + 2, third);
    _mm_storeu_si128(out + 3, fourth);
    if (c == channels - 32) break;
  }
}

// Every other 16-bit value, in place, eight at a time: the low (even) or high (odd) half of
// each 32-bit lane, narrowed without saturating (between values are below 32768). Blocks
// past `values` read and write the buffer's spare room.
ORVEL_SSE2_FUNCTION ORVEL_SSE_ENTRY void PickEverySecondSse2(int16_t* between, int values, bool odd) {
  for (int i = 0; i < values; i += 8) {
    __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(between + 2 * i));
    __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(between + 2 * i + 8));
    if (odd) {
      low = _mm_srai_epi32(low, 16);
      high = _mm_srai_epi32(high, 16);
    } else {
      low = _mm_srai_epi32(_mm_slli_epi32(low, 16), 16);
      high = _mm_srai_epi32(_mm_slli_epi32(high, 16), 16);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(between + i), _mm_packs_epi32(low, high));
  }
}

// Sums B, G, R of one output pixel in lanes 0 to 2 (lane 3 is 0). Two neighbouring pixels
// are interleaved word by word, so that PMADDWD adds their weighted channels pairwise.
ORVEL_SSE2_FUNCTION ORVEL_PART_OF_ENTRY __m128i AcrossSumsSse2(const int16_t* pixel, int pairs,
                                                               const int16_t* pairWeights) {
  __m128i sums = _mm_setzero_si128();
  for (int k = 0; k < pairs; ++k, pixel += 6, pairWeights += 8) {
    const __m128i left = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pixel));
    const __m128i right = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pixel + 3));
    const __m128i weights = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pairWeights));
    sums = _mm_add_epi32(sums, _mm_madd_epi16(_mm_unpacklo_epi16(left, right), weights));
  }
  return _mm_srai_epi32(_mm_add_epi32(sums, _mm_set1_epi32(kOutputRounding)), kOutputShift);
}

ORVEL_SSE2_FUNCTION ORVEL_SSE_ENTRY void ScaleAcrossSse2(const int16_t* between, const PlaneScaler::Filter& across,
                                                         const int16_t* pairWeights, int outputs, uint8_t* frameRow) {
  const int pairs = across.taps / 2;
  for (int x = 0; x < outputs; x += 2) {
    const __m128i left =
        AcrossSumsSse2(between + 3 * across.first[x], pairs, pairWeights + size_t(x) * 4 * across.taps);
    // An odd last pixel is summed twice and written once.
    const int next = x + 1 < outputs ? x + 1 : x;
    const __m128i right =
        AcrossSumsSse2(between + 3 * across.first[next], pairs, pairWeights + size_t(next) * 4 * across.taps);
    // B G R 0 of each pixel as bytes; the pack saturates exactly as the scalar loop clamps.
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(left, right), _mm_setzero_si128());
    uint8_t both[8];
    _mm_storel_epi64(reinterpret_cast<__m128i*>(both), bytes);
    std::memcpy(frameRow + 3 * x, both, 3);
    if (next != x) std::memcpy(frameRow + 3 * x + 3, both + 4, 3);
  }
}

ORVEL_SSE2_FUNCTION ORVEL_PART_OF_ENTRY __m128i LoadPairSse2(const int16_t* at) {
  int32_t pair;
  std::memcpy(&pair, at, sizeof pair);
  return _mm_cvtsi32_si128(pair);
}

// Taps 2k and 2k + 1 of four outputs of a one-channel plane, one output per 32-bit lane.
ORVEL_SSE2_FUNCTION ORVEL_PART_OF_ENTRY __m128i FourPairsSse2(const int16_t* between, const int32_t* first, int tap) {
  const __m128i a = LoadPairSse2(between + first[0] + tap), b = LoadPairSse2(between + first[1] + tap);
  const __m128i c = LoadPairSse2(between + first[2] + tap), d = LoadPairSse2(between + first[3] + tap);
  return _mm_unpacklo_epi64(_mm_unpacklo_epi32(a, b), _mm_unpacklo_epi32(c, d));
}

// Eight 32-bit sums of whole outputs, rounded and clamped to eight bytes.
ORVEL_SSE2_FUNCTION ORVEL_PART_OF_ENTRY void StoreEightSse2(__m128i low, __m128i high, uint8_t* out) {
  const __m128i rounding = _mm_set1_epi32(kOutputRounding);
  low = _mm_srai_epi32(_mm_add_epi32(low, rounding), kOutputShift);
  high = _mm_srai_epi32(_mm_add_epi32(high, rounding), kOutputShift);
  const __m128i words = _mm_packs_epi32(low, high);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(words, words));
}

// One channel, eight outputs a loop: for each tap pair, four outputs' two neighbouring values
// side by side in each half, so that one PMADDWD weighs four outputs at once. Weights per
// group of four outputs and tap pair: w0[2k] w0[2k+1] w1[2k] w1[2k+1] ... w3[2k+1].
ORVEL_SSE2_FUNCTION ORVEL_SSE_ENTRY void ScaleAcrossOneSse2(const int16_t* between, const int32_t* first,
                                                            const int16_t* weights, int taps, int outputs,
                                                            uint8_t* out) {
  const int pairs = taps / 2;
  for (int x = 0; x < outputs; x += 8, first += 8, weights += 16 * pairs) {
    __m128i low = _mm_setzero_si128(), high = _mm_setzero_si128();
    for (int k = 0; k < pairs; ++k) {
      const __m128i wLow = _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + 8 * k));
      const __m128i wHigh = _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + 8 * (pairs + k)));
      low = _mm_add_epi32(low, _mm_madd_epi16(FourPairsSse2(between, first, 2 * k), wLow));
      high = _mm_add_epi32(high, _mm_madd_epi16(FourPairsSse2(between, first + 4, 2 * k), wHigh));
    }
    StoreEightSse2(low, high, out + x);
  }
}

// Taps 2k and 2k + 1 of two outputs of a Cb,Cr plane, ordered Cb Cb Cr Cr in each half.
ORVEL_SSE2_FUNCTION ORVEL_PART_OF_ENTRY __m128i TwoPairsSse2(const int16_t* between, const int32_t* first, int tap) {
  const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(between + 2 * (first[0] + tap)));
  const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(between + 2 * (first[1] + tap)));
  const __m128i both = _mm_unpacklo_epi64(a, b);
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(both, _MM_SHUFFLE(3, 1, 2, 0)), _MM_SHUFFLE(3, 1, 2, 0));
}

// Cb,Cr pairs, four outputs a loop: one PMADDWD weighs both channels of two outputs. Weights
// per group of two outputs and tap pair: w0[2k] w0[2k+1] twice, then w1's twice.
ORVEL_SSE2_FUNCTION ORVEL_SSE_ENTRY void ScaleAcrossTwoSse2(const int16_t* between, const int32_t* first,
                                                            const int16_t* weights, int taps, int outputs,
                                                            uint8_t* out) {
  const int pairs = taps / 2;
  for (int x = 0; x < outputs; x += 4, first += 4, weights += 16 * pairs) {
    __m128i low = _mm_setzero_si128(), high = _mm_setzero_si128();
    for (int k = 0; k < pairs; ++k) {
      const __m128i wLow = _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + 8 * k));
      const __m128i wHigh = _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + 8 * (pairs + k)));
      low = _mm_add_epi32(low, _mm_madd_epi16(TwoPairsSse2(between, first, 2 * k), wLow));
      high = _mm_add_epi32(high, _mm_madd_epi16(TwoPairsSse2(between, first + 2, 2 * k), wHigh));
    }
    StoreEightSse2(low, high, out + 2 * x);
  }
}

// RoundAcrossScalar sixteen values at a time (past `values` into the spare room). The sum
// can reach 32768: shifted as unsigned.
ORVEL_SSE2_FUNCTION ORVEL_SSE_ENTRY void RoundAcrossSse2(const int16_t* between, int values, uint8_t* out) {
  const __m128i half = _mm_set1_epi16(64);
  for (int i = 0; i < values; i += 16) {
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(between + i));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(between + i + 8));
    const __m128i bytes = _mm_packus_epi16(_mm_srli_epi16(_mm_add_epi16(low, half), kBetweenFractionBits),
                                           _mm_srli_epi16(_mm_add_epi16(high, half), kBetweenFractionBits));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), bytes);
  }
}

#endif  // ORVEL_SSE2_PATH

}  // namespace

// ---- PlaneScaler -------------------------------------------------------------------------

bool PlaneScaler::Prepare(int32_t width, int32_t lines, int channels, Samples samples, int32_t outputWidth,
                          int32_t outputRows) {
  const bool picked = samples == Samples::EvenBytes || samples == Samples::OddBytes;
  const bool fits = samples == Samples::FourthSkipped ? channels == 3 : picked ? channels <= 2 : true;
  if (!IsAcceptedVideoSide(width) || !IsAcceptedVideoSide(lines) || !IsFrameSize({outputWidth, outputRows}) ||
      channels < 1 || channels > 3 || !fits || width > kLongestShrink * outputWidth ||
      lines > kLongestShrink * outputRows) {
    preparedWidth = 0;
    return false;
  }
  if (width == preparedWidth && lines == preparedLines && channels == preparedChannels && samples == preparedSamples &&
      outputWidth == this->outputWidth && outputRows == this->outputRows) {
    return true;
  }

  const int samplesBytes = channels * width;
  rawChannels = samples == Samples::FourthSkipped ? 4 * width : picked ? 2 * samplesBytes : samplesBytes;
  takenAsItIs = samples == Samples::Packed && width == outputWidth && lines == outputRows;
  acrossUnscaled = width == outputWidth && channels < 3;
  across = MakeFilter(width, outputWidth, kAcrossUnit, true);
  down = MakeFilter(lines, outputRows, kDownUnit, false);

  acrossFirstSse2.clear();
  if (channels == 3) {
    // Per pixel and tap pair: wa wb wa wb wa wb 0 0.
    acrossWeightsSse2.assign(size_t(outputWidth) * across.taps * 4, 0);
    for (int x = 0; x < outputWidth; ++x) {
      for (int k = 0; k < across.taps / 2; ++k) {
        int16_t* lanes = &acrossWeightsSse2[(size_t(x) * across.taps / 2 + k) * 8];
        for (int channel = 0; channel < 3; ++channel) {
          lanes[2 * channel] = int16_t(across.weights[size_t(x) * across.taps + 2 * k]);
          lanes[2 * channel + 1] = int16_t(across.weights[size_t(x) * across.taps + 2 * k + 1]);
        }
      }
    }
  } else {
    // Groups of four outputs (one channel) or two (two), eight weights per group and tap
    // pair as the loops above read them; the outputs past the last repeat it.
    const int group = channels == 1 ? 4 : 2;
    const size_t padded = RoundUp(size_t(outputWidth), size_t(2 * group));
    const int pairs = across.taps / 2;
    acrossFirstSse2.resize(padded);
    acrossWeightsSse2.assign(padded / group * pairs * 8, 0);
    for (size_t x = 0; x < padded; ++x) {
      const size_t own = std::min(x, size_t(outputWidth) - 1);
      acrossFirstSse2[x] = across.first[own];
      for (int k = 0; k < pairs; ++k) {
        int16_t* lanes = &acrossWeightsSse2[((x / group) * pairs + k) * 8 + (x % group) * (8 / group)];
        for (int copy = 0; copy < 4 / group; ++copy) {
          lanes[2 * copy] = int16_t(across.weights[own * across.taps + 2 * k]);
          lanes[2 * copy + 1] = int16_t(across.weights[own * across.taps + 2 * k + 1]);
        }
      }
    }
  }
  downTapWeights.assign(size_t(outputRows) * down.taps * 8, 0);
  for (size_t tap = 0; tap < down.weights.size(); ++tap) {
    // 1 << 15 fits the unsigned multiply, not int16_t: stored as its bit pattern.
    std::fill_n(&downTapWeights[tap * 8], 8, int16_t(uint16_t(down.weights[tap])));
  }
  // Room for the raw line, for the picking and rounding loops' whole blocks, for the taps past
  // the last sample and for the SSE2 loads of the last pair.
  const size_t room = std::max({size_t(rawChannels), 2 * RoundUp(size_t(samplesBytes), 8) + 8,
                                size_t(channels) * (width + across.taps + 1) + 8});
  between.assign(room + 16, 0);

  preparedWidth = width;
  preparedLines = lines;
  preparedChannels = channels;
  preparedSamples = samples;
  this->outputWidth = outputWidth;
  this->outputRows = outputRows;
  return true;
}

size_t PlaneScaler::RowBytes() const { return RoundUp(size_t(preparedChannels) * outputWidth, 16) + 16; }

void PlaneScaler::PickSamples(bool sse2) {
  int16_t* values = between.data();
  switch (preparedSamples) {
    case Samples::Packed:
      return;
    case Samples::FourthSkipped:
      return SkipFourthScalar(values, preparedWidth);
    case Samples::EvenBytes:
    case Samples::OddBytes:
      break;
  }
  const bool odd = preparedSamples == Samples::OddBytes;
#if ORVEL_SSE2_PATH
  if (sse2) return PickEverySecondSse2(values, preparedChannels * preparedWidth, odd);
#else
  (void)sse2;
#endif
  // Sample value i (of either channel count) is raw value 2 i + odd.
  for (int i = 0; i < preparedChannels * preparedWidth; ++i) values[i] = values[2 * i + odd];
}

void PlaneScaler::ScaleAcross(uint8_t* out, bool sse2) const {
  const int16_t* values = between.data();
#if ORVEL_SSE2_PATH
  if (sse2) {
    if (acrossUnscaled) return RoundAcrossSse2(values, preparedChannels * outputWidth, out);
    switch (preparedChannels) {
      case 1:
        return ScaleAcrossOneSse2(values, acrossFirstSse2.data(), acrossWeightsSse2.data(), across.taps, outputWidth,
                                  out);
      case 2:
        return ScaleAcrossTwoSse2(values, acrossFirstSse2.data(), acrossWeightsSse2.data(), across.taps, outputWidth,
                                  out);
      default:
        return ScaleAcrossSse2(values, across, acrossWeightsSse2.data(), outputWidth, out);
    }
  }
#else
  (void)sse2;
#endif
  if (acrossUnscaled) return RoundAcrossScalar(values, preparedChannels * outputWidth, out);
  switch (preparedChannels) {
    case 1:
      return ScaleAcrossScalar<1>(values, across, outputWidth, out);
    case 2:
      return ScaleAcrossScalar<2>(values, across, outputWidth, out);
    default:
      return ScaleAcrossScalar<3>(values, across, outputWidth, out);
  }
}

const uint8_t* PlaneScaler::Row(const uint8_t* firstLine, std::ptrdiff_t lineStep, int32_t row, uint8_t* out,
                                bool sse2) {
  const uint8_t* tap = firstLine + std::ptrdiff_t(down.first[row]) * lineStep;
  if (takenAsItIs) return tap;
  const int count = down.count[row];
#if ORVEL_SSE2_PATH
  if (sse2 && rawChannels >= 16) {
    ScaleDownSse2(tap, lineStep, count, &downTapWeights[size_t(row) * down.taps * 8], rawChannels, between.data());
  } else {
    ScaleDownScalar(tap, lineStep, count, &down.weights[size_t(row) * down.taps], rawChannels, between.data());
  }
#else
  ScaleDownScalar(tap, lineStep, count, &down.weights[size_t(row) * down.taps], rawChannels, between.data());
#endif
  PickSamples(sse2);
  ScaleAcross(out, sse2);
  return out;
}

// ---- FrameScaler -------------------------------------------------------------------------

uint64_t ScaledSourceBytes(int32_t width, int32_t height) {
  if (!IsAcceptedVideoSide(width) || !IsAcceptedVideoSide(Magnitude(height))) return 0;
  return uint64_t(SourcePitch(width)) * uint64_t(Magnitude(height));
}

bool FrameScaler::Prepare(int32_t width, int32_t height) { return Prepare(width, height, kStandardFrame); }

bool FrameScaler::Prepare(int32_t width, int32_t height, FrameSize output) {
  // Frames are never narrower than the standard one, which keeps a frame pixel within 64
  // source pixels (kLargestVideoSide / kFrameSide).
  if (ScaledSourceBytes(width, height) == 0 || !IsFrameSize(output) || output.width < kFrameSide ||
      output.height < kFrameSide) {
    preparedWidth = preparedHeight = 0;
    return false;
  }
  if (width == preparedWidth && height == preparedHeight && output == preparedOutput) return true;

  const int32_t rows = int32_t(Magnitude(height));
  if (!pixels.Prepare(width, rows, 3, PlaneScaler::Samples::Packed, output.width, output.height)) {
    preparedWidth = preparedHeight = 0;
    return false;
  }
  const std::ptrdiff_t pitch = SourcePitch(width);
  rowStep = height > 0 ? pitch : -pitch;
  bottomRowOffset = height > 0 ? 0 : pitch * (rows - 1);
  preparedWidth = width;
  preparedHeight = height;
  preparedOutput = output;
  return true;
}

bool FrameScaler::Scale(const uint8_t* source, uint64_t sourceBytes, int32_t width, int32_t height, uint8_t* frame) {
  return Scale(source, sourceBytes, width, height, frame, BestPixelPath());
}

bool FrameScaler::Scale(const uint8_t* source, uint64_t sourceBytes, int32_t width, int32_t height, uint8_t* frame,
                        PixelPath path) {
  return Scale(source, sourceBytes, width, height, frame, kStandardFrame, path);
}

bool FrameScaler::Scale(const uint8_t* source, uint64_t sourceBytes, int32_t width, int32_t height, uint8_t* frame,
                        FrameSize output, PixelPath path) {
  const uint64_t needed = ScaledSourceBytes(width, height);
  if (needed == 0 || sourceBytes < needed || source == nullptr || frame == nullptr) return false;
  if (!Prepare(width, height, output)) return false;
  const bool sse2 = path != PixelPath::Scalar && PixelPathRuns(path);
  const std::ptrdiff_t pitch = FramePitch(output.width);
  const size_t rowBytes = size_t(output.width) * 3;
  for (int row = 0; row < output.height; ++row) {
    uint8_t* frameRow = frame + row * pitch;
    const uint8_t* scaled = pixels.Row(source + bottomRowOffset, rowStep, row, frameRow, sse2);
    if (scaled != frameRow) std::memcpy(frameRow, scaled, rowBytes);
  }
  return true;
}

bool ScaleFrame(const uint8_t* source, uint64_t sourceBytes, int32_t width, int32_t height, uint8_t* frame) {
  FrameScaler scaler;
  return scaler.Scale(source, sourceBytes, width, height, frame);
}
