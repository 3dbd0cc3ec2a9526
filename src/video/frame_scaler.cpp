// Scaling of a video frame into the frame surface. Threads as in the header.
//
// Separable, in fixed point, one frame row at a time: the source rows that frame row covers
// are first combined column by column into a row of `between` values (7 fraction bits), and
// that row is then combined across into the 256 frame pixels. The rows are done first
// because that pass is the one that touches every source byte, and across a row it is the
// same arithmetic for every byte, which SSE2 does 32 bytes at a time; the column pass then
// only sees 256 rows however tall the video is.
//
// Down the rows each tap is floor(pixel * weight / 256) with 15-bit weights (PMULHUW of the
// pixel in the high byte), summed in 16 bits with half the tap count added to centre the
// truncation. Across, 14-bit weights multiply the between values in 32-bit sums (PMADDWD
// of two neighbouring pixels at a time), rounded once at the end. Both passes are exact
// integer arithmetic, so the scalar and SSE2 loops give the same bytes; and because each
// output's weights sum exactly to the unit, a uniform picture stays exactly uniform.
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

std::ptrdiff_t SourcePitch(int32_t width) { return (std::ptrdiff_t(width) * 3 + 3) & ~std::ptrdiff_t(3); }

// The filter from `sourceSide` pixels to kFrameSide, weights summing to `unit`, padded to
// an even number of taps when `evenTaps`.
FrameScaler::Filter MakeFilter(int32_t sourceSide, int32_t unit, bool evenTaps) {
  std::vector<int32_t> first(kFrameSide), count(kFrameSide);
  std::vector<std::vector<int32_t>> weights(kFrameSide);
  for (int i = 0; i < kFrameSide; ++i) {
    std::vector<int32_t>& w = weights[i];
    if (sourceSide > kFrameSide) {
      // Output i covers [i, i + 1) * sourceSide / 256 source pixels; in 1/256ths of a pixel
      // every edge is a whole number, so each pixel's share is exact before rounding.
      const int64_t low = int64_t(i) * sourceSide;
      const int64_t high = low + sourceSide;
      first[i] = int32_t(low / kFrameSide);
      const int32_t last = int32_t((high - 1) / kFrameSide);
      int32_t sum = 0;
      for (int32_t j = first[i]; j <= last; ++j) {
        const int64_t overlap =
            std::min<int64_t>(high, int64_t(j + 1) * kFrameSide) - std::max<int64_t>(low, int64_t(j) * kFrameSide);
        w.push_back(int32_t((overlap * unit + sourceSide / 2) / sourceSide));
        sum += w.back();
      }
      // Rounding leaves the sum a few units off; the largest share takes the difference.
      *std::max_element(w.begin(), w.end()) += unit - sum;
    } else {
      // Centre of output i in source pixels: (i + 0.5) * sourceSide / 256 - 0.5, counted in
      // 1/512ths of a pixel.
      const int64_t centre = int64_t(2 * i + 1) * sourceSide - kFrameSide;
      const int32_t below = int32_t(centre / (2 * kFrameSide));
      const int32_t fraction = int32_t(centre % (2 * kFrameSide)) * (unit / (2 * kFrameSide));
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

  FrameScaler::Filter filter;
  for (const std::vector<int32_t>& w : weights) filter.taps = std::max(filter.taps, int(w.size()));
  if (evenTaps) filter.taps += filter.taps % 2;
  filter.first = first;
  filter.count = count;
  filter.weights.assign(size_t(kFrameSide) * filter.taps, 0);
  for (int i = 0; i < kFrameSide; ++i) {
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

uint8_t OutputChannel(int32_t sum) { return uint8_t(std::min(255, (sum + kOutputRounding) >> kOutputShift)); }

void ScaleAcrossScalar(const int16_t* between, const FrameScaler::Filter& across, uint8_t* frameRow) {
  for (int x = 0; x < kFrameSide; ++x) {
    const int16_t* pixel = between + 3 * across.first[x];
    const int32_t* weights = &across.weights[size_t(x) * across.taps];
    int32_t blue = 0, green = 0, red = 0;
    for (int t = 0; t < across.taps; ++t, pixel += 3) {
      blue += pixel[0] * weights[t];
      green += pixel[1] * weights[t];
      red += pixel[2] * weights[t];
    }
    frameRow[3 * x] = OutputChannel(blue);
    frameRow[3 * x + 1] = OutputChannel(green);
    frameRow[3 * x + 2] = OutputChannel(red);
  }
}

// ---- SSE2 loops --------------------------------------------------------------------------

#if ORVEL_SSE2_PATH

// Sixteen channels of one row tap, added into two sums of eight.
ORVEL_SSE2_FUNCTION inline void AddDownTap(const uint8_t* at, __m128i weight, __m128i* low, __m128i* high) {
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
        AddDownTap(at, _mm_loadu_si128(reinterpret_cast<const __m128i*>(tapWeights + 8 * t)), &low, &high);
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
      AddDownTap(at, weight, &first, &second);
      AddDownTap(at + 16, weight, &third, &fourth);
    }
    __m128i* out = reinterpret_cast<__m128i*>(between + c);
    _mm_storeu_si128(out, first);
    _mm_storeu_si128(out + 1, second);
    _mm_storeu_si128(out + 2, third);
    _mm_storeu_si128(out + 3, fourth);
    if (c == channels - 32) break;
  }
}

// Sums B, G, R of one output pixel in lanes 0 to 2 (lane 3 is 0). Two neighbouring pixels
// are interleaved word by word, so that PMADDWD adds their weighted channels pairwise.
ORVEL_SSE2_FUNCTION inline __m128i AcrossSums(const int16_t* pixel, int pairs, const int16_t* pairWeights) {
  __m128i sums = _mm_setzero_si128();
  for (int k = 0; k < pairs; ++k, pixel += 6, pairWeights += 8) {
    const __m128i left = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pixel));
    const __m128i right = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pixel + 3));
    const __m128i weights = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pairWeights));
    sums = _mm_add_epi32(sums, _mm_madd_epi16(_mm_unpacklo_epi16(left, right), weights));
  }
  return _mm_srai_epi32(_mm_add_epi32(sums, _mm_set1_epi32(kOutputRounding)), kOutputShift);
}

ORVEL_SSE2_FUNCTION ORVEL_SSE_ENTRY void ScaleAcrossSse2(const int16_t* between, const FrameScaler::Filter& across,
                                                         const int16_t* pairWeights, uint8_t* frameRow) {
  const int pairs = across.taps / 2;
  for (int x = 0; x < kFrameSide; x += 2) {
    const __m128i left = AcrossSums(between + 3 * across.first[x], pairs, pairWeights + size_t(x) * 4 * across.taps);
    const __m128i right =
        AcrossSums(between + 3 * across.first[x + 1], pairs, pairWeights + size_t(x + 1) * 4 * across.taps);
    // B G R 0 of each pixel as bytes; the pack saturates exactly as the scalar loop clamps.
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(left, right), _mm_setzero_si128());
    uint8_t both[8];
    _mm_storel_epi64(reinterpret_cast<__m128i*>(both), bytes);
    std::memcpy(frameRow + 3 * x, both, 3);
    std::memcpy(frameRow + 3 * x + 3, both + 4, 3);
  }
}

#endif  // ORVEL_SSE2_PATH

}  // namespace

uint64_t ScaledSourceBytes(int32_t width, int32_t height) {
  if (!IsAcceptedVideoSide(width) || !IsAcceptedVideoSide(Magnitude(height))) return 0;
  return uint64_t(SourcePitch(width)) * uint64_t(Magnitude(height));
}

bool FrameScaler::Prepare(int32_t width, int32_t height) {
  if (ScaledSourceBytes(width, height) == 0) {
    preparedWidth = preparedHeight = 0;
    return false;
  }
  if (width == preparedWidth && height == preparedHeight) return true;

  const int32_t rows = int32_t(Magnitude(height));
  const std::ptrdiff_t pitch = SourcePitch(width);
  rowStep = height > 0 ? pitch : -pitch;
  bottomRowOffset = height > 0 ? 0 : pitch * (rows - 1);

  across = MakeFilter(width, kAcrossUnit, true);
  down = MakeFilter(rows, kDownUnit, false);

  acrossPairWeights.assign(size_t(kFrameSide) * across.taps * 4, 0);
  for (int x = 0; x < kFrameSide; ++x) {
    for (int k = 0; k < across.taps / 2; ++k) {
      int16_t* lanes = &acrossPairWeights[(size_t(x) * across.taps / 2 + k) * 8];
      for (int channel = 0; channel < 3; ++channel) {
        lanes[2 * channel] = int16_t(across.weights[size_t(x) * across.taps + 2 * k]);
        lanes[2 * channel + 1] = int16_t(across.weights[size_t(x) * across.taps + 2 * k + 1]);
      }
    }
  }
  downTapWeights.assign(size_t(kFrameSide) * down.taps * 8, 0);
  for (size_t tap = 0; tap < down.weights.size(); ++tap) {
    // 1 << 15 fits the unsigned multiply, not int16_t: stored as its bit pattern.
    std::fill_n(&downTapWeights[tap * 8], 8, int16_t(uint16_t(down.weights[tap])));
  }
  // Room for the column taps past the last pixel, and for the SSE2 loads of the last pair.
  between.assign(size_t(3) * (width + across.taps + 1) + 8, 0);

  preparedWidth = width;
  preparedHeight = height;
  return true;
}

void FrameScaler::ScaleRow(const uint8_t* source, int row, uint8_t* frameRow, bool sse2) {
  const int channels = 3 * preparedWidth;
  const uint8_t* bottomTap = source + bottomRowOffset + std::ptrdiff_t(down.first[row]) * rowStep;
  const int count = down.count[row];
#if ORVEL_SSE2_PATH
  if (sse2) {
    if (channels >= 16) {
      ScaleDownSse2(bottomTap, rowStep, count, &downTapWeights[size_t(row) * down.taps * 8], channels, between.data());
    } else {
      ScaleDownScalar(bottomTap, rowStep, count, &down.weights[size_t(row) * down.taps], channels, between.data());
    }
    ScaleAcrossSse2(between.data(), across, acrossPairWeights.data(), frameRow);
    return;
  }
#else
  (void)sse2;
#endif
  ScaleDownScalar(bottomTap, rowStep, count, &down.weights[size_t(row) * down.taps], channels, between.data());
  ScaleAcrossScalar(between.data(), across, frameRow);
}

bool FrameScaler::Scale(const uint8_t* source, uint64_t sourceBytes, int32_t width, int32_t height, uint8_t* frame) {
  return Scale(source, sourceBytes, width, height, frame, BestPixelPath());
}

bool FrameScaler::Scale(const uint8_t* source, uint64_t sourceBytes, int32_t width, int32_t height, uint8_t* frame,
                        PixelPath path) {
  const uint64_t needed = ScaledSourceBytes(width, height);
  if (needed == 0 || sourceBytes < needed || source == nullptr || frame == nullptr) return false;
  if (!Prepare(width, height)) return false;
  const bool sse2 = path != PixelPath::Scalar && PixelPathRuns(path);
  for (int row = 0; row < kFrameSide; ++row) ScaleRow(source, row, frame + std::ptrdiff_t(row) * kFramePitch, sse2);
  return true;
}

bool ScaleFrame(const uint8_t* source, uint64_t sourceBytes, int32_t width, int32_t height, uint8_t* frame) {
  FrameScaler scaler;
  return scaler.Scale(source, sourceBytes, width, height, frame);
}
