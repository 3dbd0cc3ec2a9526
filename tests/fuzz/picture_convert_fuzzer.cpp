// Fuzz target: a decoded picture's layout taken from the input (format, sides, stride, plane
// rows, line order, matrix), converted from a source of exactly the bytes the layout says it
// needs, or a few fewer. The sanitizers catch a read past the source or a write past the
// destination; a refusal must write nothing and must happen exactly when the layout is
// impossible or the source short; an accepted picture has its row fill zeroed, and an RGB
// one comes out as the copy of its pixels.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_require.h"
#include "video/picture_convert.h"

namespace {

// Above these the picture is not allocated; the conversion must then refuse a small source.
constexpr uint64_t kLargestSource = 1 << 22;
constexpr uint64_t kLargestDestination = 1 << 22;

// Bytes of one line of the first plane, for strides near the smallest.
int32_t LineBytes(DecodedFormat format, int32_t width) {
  switch (format) {
    case DecodedFormat::Yuy2:
    case DecodedFormat::Uyvy:
      return (width + 1) / 2 * 4;
    case DecodedFormat::Rgb32:
      return 4 * width;
    case DecodedFormat::Rgb24:
      return 3 * width;
    default:
      return width;
  }
}

DecodedPicture LayoutFrom(FuzzedDataProvider& input) {
  DecodedPicture p;
  p.format = static_cast<DecodedFormat>(input.ConsumeIntegralInRange<int>(0, 7));  // 7 is no format
  p.bottomUp = input.ConsumeBool();
  if (input.ConsumeBool()) {  // any values at all
    p.width = input.ConsumeIntegral<int32_t>();
    p.height = input.ConsumeIntegral<int32_t>();
    p.stride = input.ConsumeIntegral<int32_t>();
    p.planeRows = input.ConsumeIntegral<int32_t>();
    return p;
  }
  // Near the edges of what is possible: small sides, strides and plane rows a little either
  // side of the smallest.
  p.width = input.ConsumeIntegralInRange<int32_t>(1, 64);
  p.height = input.ConsumeIntegralInRange<int32_t>(1, 64);
  p.stride = LineBytes(p.format, p.width) + input.ConsumeIntegralInRange<int32_t>(-2, 13);
  p.planeRows = input.ConsumeBool() ? 0 : p.height + input.ConsumeIntegralInRange<int32_t>(-1, 6);
  return p;
}

// The row fill is zero; RGB pixels are copied from their place in the buffer.
void CheckConverted(const DecodedPicture& p, const std::vector<uint8_t>& source, const std::vector<uint8_t>& out) {
  const size_t lineBytes = size_t(p.width) * 3, pitch = (lineBytes + 3) / 4 * 4;
  const bool rgb32 = p.format == DecodedFormat::Rgb32, rgb24 = p.format == DecodedFormat::Rgb24;
  for (int32_t y = 0; y < p.height; ++y) {
    const uint8_t* row = &out[size_t(y) * pitch];
    for (size_t i = lineBytes; i < pitch; ++i) Require(row[i] == 0, "row fill zeroed");
    if (!rgb32 && !rgb24) continue;
    const size_t line = size_t(p.bottomUp ? p.height - 1 - y : y) * size_t(p.stride);
    for (int32_t x = 0; x < p.width; ++x) {
      const uint8_t* pixel = &source[line + size_t(x) * (rgb32 ? 4 : 3)];
      Require(std::memcmp(row + 3 * x, pixel, 3) == 0, "RGB pixel copied from its place, top line first");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const DecodedPicture p = LayoutFrom(input);
  const int matrixValue = input.ConsumeIntegralInRange<int>(0, 2);  // 2 is no matrix
  const YuvMatrix matrix = static_cast<YuvMatrix>(matrixValue);
  // One input in four takes its source a few bytes short.
  const bool shortSource = input.ConsumeIntegralInRange<int>(0, 3) == 3;
  const uint64_t shortfall = shortSource ? input.ConsumeIntegralInRange<uint64_t>(1, 4) : 0;

  const uint64_t needed = DecodedPictureBytes(p);
  const uint64_t outBytes = Rgb24PictureBytes(p.width, p.height);
  Require(needed == 0 || outBytes != 0, "a possible layout has sides the destination takes");

  // The source: exactly `needed` bytes less the shortfall (so any read past it is a heap
  // overflow), the input's remaining bytes repeated. An impossible or too large layout gets
  // the remaining bytes as they are, far fewer than a too large one needs.
  const std::vector<uint8_t> rest = input.ConsumeRemainingBytes<uint8_t>();
  std::vector<uint8_t> source = rest;
  const bool allocated = needed != 0 && needed <= kLargestSource && outBytes <= kLargestDestination;
  if (allocated) {
    source.assign(needed - std::min(needed, shortfall), 0);
    for (size_t i = 0; i < source.size() && !rest.empty(); ++i) source[i] = rest[i % rest.size()];
  }
  std::vector<uint8_t> out(allocated ? outBytes : 1, 0xA5);

  const bool converted = ConvertPictureToRgb24(source.data(), source.size(), p, matrix, out.data());
  const bool expected = needed != 0 && source.size() >= needed && matrixValue < 2;
  Require(converted == expected,
          "converted exactly when the layout is possible, the source long enough and "
          "the matrix known");
  if (!converted) {
    for (const uint8_t byte : out) Require(byte == 0xA5, "a refusal writes nothing");
    return 0;
  }
  CheckConverted(p, source, out);
  return 0;
}
