// Scaling of one decoded video frame into the 256x256 frame surface, the picture that the
// conversion then copies into the video texture. Portable. A FrameScaler is used by one
// thread at a time: the graph's streaming thread, and before it streams the thread that
// connects the graph (which may prepare it for the connected size).
//
// The source is 24-bit B,G,R with rows padded to 4 bytes, bottom-up when the height is
// positive and top-down when it is negative. The whole source is stretched over the whole
// frame (the aspect ratio is not kept). Each direction is scaled on its own: where the
// source is longer than 256 every frame pixel is the area-weighted mean of the source
// pixels it covers; where it is 256 or shorter the pixel is interpolated linearly between
// the two nearest source pixels, pixel centres aligned and clamped at the edges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "video/pixel_convert.h"
#include "video/pixel_path.h"
#include "video/video_limits.h"

// Bytes of one source frame: rows of 3 * width bytes padded to 4, |height| rows. 0 when a
// side is outside 1 to kLargestVideoSide.
uint64_t ScaledSourceBytes(int32_t width, int32_t height);

class FrameScaler {
 public:
  // Works out the filter tables for frames of width x height (either sign of height). Done
  // once per video format; Scale does it itself when the size changes. False, with nothing
  // prepared, when a side is outside 1 to kLargestVideoSide.
  bool Prepare(int32_t width, int32_t height);

  // Draws `source`, a frame of width x height, into `frame` (kFrameBytes, bottom-up, the
  // source's top line in frame row 255). False, with the frame untouched, when the size is
  // refused or sourceBytes is shorter than ScaledSourceBytes; never reads past sourceBytes.
  // Allocates only when the size differs from the prepared one.
  bool Scale(const uint8_t* source, uint64_t sourceBytes, int32_t width, int32_t height, uint8_t* frame);

  // The same on a chosen code path; both give the same bytes. Scale above takes BestPixelPath().
  bool Scale(const uint8_t* source, uint64_t sourceBytes, int32_t width, int32_t height, uint8_t* frame,
             PixelPath path);

  // One direction's filter: output i reads count[i] consecutive source pixels (or rows) from
  // first[i], with weights[i * taps + t]; the taps from count[i] to `taps` weigh 0.
  struct Filter {
    int taps = 0;
    std::vector<int32_t> first;
    std::vector<int32_t> count;
    std::vector<int32_t> weights;
  };

 private:
  void ScaleRow(const uint8_t* source, int row, uint8_t* frameRow, bool sse2);

  int32_t preparedWidth = 0;  // 0 when nothing is prepared
  int32_t preparedHeight = 0;
  std::ptrdiff_t bottomRowOffset = 0;  // where the picture's bottom line starts in a source
  std::ptrdiff_t rowStep = 0;          // from one picture line to the one above it
  Filter across;                       // over columns: weights sum to 1 << 14, taps even
  Filter down;                         // over rows: weights sum to 1 << 15
  // Per column tap pair, the weights as the SSE2 loop multiplies them: wa wb wa wb wa wb 0 0.
  std::vector<int16_t> acrossPairWeights;
  // Per row tap, its weight eight times over.
  std::vector<int16_t> downTapWeights;
  // One row scaled down the rows only: 3 * width channel values with 7 fraction bits, then
  // zeros for the column taps that reach past the last pixel.
  std::vector<int16_t> between;
};

// One frame with a scaler of its own (tables worked out on every call): for single pictures.
bool ScaleFrame(const uint8_t* source, uint64_t sourceBytes, int32_t width, int32_t height, uint8_t* frame);
