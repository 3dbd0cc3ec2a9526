// Scaling of one decoded video frame into the frame surface (256x256 as standard, or the
// size the texture is made at), the picture that the conversion then copies into the video
// texture. Also used by the main thread to carry a frame over into a surface of a new size.
// Portable. A FrameScaler is used by one thread at a time: the graph's streaming thread, and
// before it streams the thread that connects the graph (which may prepare it for the
// connected size).
//
// The source is 24-bit B,G,R with rows padded to 4 bytes, bottom-up when the height is
// positive and top-down when it is negative. The whole source is stretched over the whole
// frame (the aspect ratio is not kept). Each direction is scaled on its own: where the
// source is longer than the frame every frame pixel is the area-weighted mean of the source
// pixels it covers; where it is as long or shorter the pixel is interpolated linearly
// between the two nearest source pixels, pixel centres aligned and clamped at the edges (so
// a source of the frame's own size comes through unchanged).
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

// One plane of a picture scaled row by row with the filters above: the frame scaler's B,G,R
// pixels, and the picture scaler's planes of Y, of Cb or Cr, or of Cb,Cr pairs. Rows are
// counted from the plane's first line, whichever way up the caller walks it. The same
// threads as FrameScaler.
class PlaneScaler {
 public:
  // How a source line holds the plane's samples.
  enum class Samples {
    Packed,         // one after the other: Y Y Y, Cb Cr Cb Cr, B G R B G R
    EvenBytes,      // every other byte from the line's first: the Y of Y,Cb,Y,Cr lines; the
                    // Cb,Cr pairs of Cb,Y,Cr,Y lines
    OddBytes,       // every other byte from the line's second: the other half of those lines
    FourthSkipped,  // B,G,R,X pixels (3 channels only)
  };

  // Works out the filters from `width` samples of `channels` bytes (1 to 3) in `lines`
  // lines to outputWidth x outputRows. False, with nothing prepared, when a source side is
  // outside 1 to kLargestVideoSide, an output side outside 1 to kLargestFrameSide, a source
  // side more than 128 times its output side (the sums are 16-bit), or the samples do not
  // fit the channels (Even/OddBytes take 1 or 2, FourthSkipped 3). Allocates only when
  // something differs from the prepared plane.
  bool Prepare(int32_t width, int32_t lines, int channels, Samples samples, int32_t outputWidth, int32_t outputRows);

  // Bytes `out` must hold for 1 or 2 channels: the SSE2 loops write whole blocks.
  size_t RowBytes() const;

  // Output row `row` (0 to outputRows - 1) of the prepared plane, channels * outputWidth
  // bytes, from the lines firstLine, firstLine + lineStep, ... Points into the source when
  // the plane is taken as it is (same size, samples Packed), else into `out`. Three channels
  // are written exactly (into a frame row); one or two may fill RowBytes(). Both paths give
  // the same bytes.
  const uint8_t* Row(const uint8_t* firstLine, std::ptrdiff_t lineStep, int32_t row, uint8_t* out, bool sse2);

  // One direction's filter: output i reads count[i] consecutive source samples (or lines)
  // from first[i], with weights[i * taps + t]; the taps from count[i] to `taps` weigh 0.
  struct Filter {
    int taps = 0;
    std::vector<int32_t> first;
    std::vector<int32_t> count;
    std::vector<int32_t> weights;
  };

 private:
  void PickSamples(bool sse2);
  void ScaleAcross(uint8_t* out, bool sse2) const;

  int32_t preparedWidth = 0;  // 0 when nothing is prepared
  int32_t preparedLines = 0;
  int preparedChannels = 0;
  Samples preparedSamples = Samples::Packed;
  int32_t outputWidth = 0;
  int32_t outputRows = 0;
  int rawChannels = 0;          // bytes of a line that the down pass reads
  bool takenAsItIs = false;     // same size, packed: rows are the source's own
  bool acrossUnscaled = false;  // same width: the across pass only rounds
  Filter across;                // over samples: weights sum to 1 << 14, taps even
  Filter down;                  // over lines: weights sum to 1 << 15
  // The across weights as the SSE2 loop of the channel count multiplies them (see the .cpp),
  // and the first sample of each output, repeated for the outputs that loop pads with.
  std::vector<int16_t> acrossWeightsSse2;
  std::vector<int32_t> acrossFirstSse2;
  // Per line tap, its weight eight times over.
  std::vector<int16_t> downTapWeights;
  // One line scaled down the lines only: the raw bytes with 7 fraction bits, then the
  // plane's own samples picked from them, then zeros (or left values) under the taps that
  // reach past the last sample, which weigh 0.
  std::vector<int16_t> between;
};

class FrameScaler {
 public:
  // Works out the filter tables for frames of width x height (either sign of height). Done
  // once per video format; Scale does it itself when the size changes. False, with nothing
  // prepared, when a side is outside 1 to kLargestVideoSide.
  bool Prepare(int32_t width, int32_t height);
  // The same for a frame of `output` size; also false when IsFrameSize(output) is not, or
  // when a side of it is shorter than kFrameSide.
  bool Prepare(int32_t width, int32_t height, FrameSize output);

  // Draws `source`, a frame of width x height, into `frame` (kFrameBytes, bottom-up, the
  // source's top line in frame row 255). False, with the frame untouched, when the size is
  // refused or sourceBytes is shorter than ScaledSourceBytes; never reads past sourceBytes.
  // Allocates only when the size differs from the prepared one.
  bool Scale(const uint8_t* source, uint64_t sourceBytes, int32_t width, int32_t height, uint8_t* frame);

  // The same on a chosen code path; both give the same bytes. Scale above takes BestPixelPath().
  bool Scale(const uint8_t* source, uint64_t sourceBytes, int32_t width, int32_t height, uint8_t* frame,
             PixelPath path);

  // Into a frame of `output` size (FrameBytes(output), rows FramePitch apart); the same
  // promises.
  bool Scale(const uint8_t* source, uint64_t sourceBytes, int32_t width, int32_t height, uint8_t* frame,
             FrameSize output, PixelPath path);

  using Filter = PlaneScaler::Filter;

 private:
  int32_t preparedWidth = 0;  // 0 when nothing is prepared
  int32_t preparedHeight = 0;
  FrameSize preparedOutput;
  std::ptrdiff_t bottomRowOffset = 0;  // where the picture's bottom line starts in a source
  std::ptrdiff_t rowStep = 0;          // from one picture line to the one above it
  PlaneScaler pixels;                  // 3 channels, frame rows counted from the bottom
};

// One frame with a scaler of its own (tables worked out on every call): for single pictures.
bool ScaleFrame(const uint8_t* source, uint64_t sourceBytes, int32_t width, int32_t height, uint8_t* frame);
