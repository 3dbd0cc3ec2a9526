// Fuzz target: the frame description a decoder offers, every field any value. The frame size
// is checked against a computation of its own in 128 bits.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>

#include "fuzz_require.h"
#include "video/video_format.h"

namespace {

// Rows of ceil(width * bits / 32) 32-bit words, |height| rows; a negative width has no pixels.
unsigned __int128 FrameBytes(int32_t width, int32_t height, uint16_t bitCount) {
  const unsigned __int128 pixels = width < 0 ? 0 : static_cast<unsigned __int128>(width);
  const unsigned __int128 bits = pixels * bitCount;
  const unsigned __int128 stride = (bits / 32 + (bits % 32 != 0 ? 1 : 0)) * 4;
  const __int128 signedRows = height;
  const unsigned __int128 rows = static_cast<unsigned __int128>(signedRows < 0 ? -signedRows : signedRows);
  return stride * rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  VideoFormatFields f;
  f.width = input.ConsumeIntegral<int32_t>();
  f.height = input.ConsumeIntegral<int32_t>();
  f.bitCount = input.ConsumeIntegral<uint16_t>();
  f.compression = input.ConsumeIntegral<uint32_t>();
  f.sizeImage = input.ConsumeIntegral<uint32_t>();

  const unsigned __int128 expected = FrameBytes(f.width, f.height, f.bitCount);
  const unsigned __int128 largest = UINT64_MAX;
  Require(VideoFrameBytes(f.width, f.height, f.bitCount) == (expected < largest ? expected : largest),
          "frame bytes exact, or UINT64_MAX beyond 64 bits");

  if (IsAcceptedVideoFormat(f)) {
    const int64_t rows = f.height < 0 ? -int64_t{f.height} : int64_t{f.height};
    Require(f.width >= 1 && f.width <= 16384, "accepted width 1..16384");
    Require(rows >= 1 && rows <= 16384, "accepted height 1..16384 either way up");
    Require(f.bitCount == 24 && f.compression == 0, "accepted only as 24-bit RGB");
    Require(f.sizeImage == 0 || f.sizeImage >= expected, "a given frame size covers the frame");
  }
  return 0;
}
