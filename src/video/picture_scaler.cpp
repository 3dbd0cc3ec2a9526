// Drawing of decoded pictures into the frame surface. Threads as in the header.
//
// One pair of frame rows at a time, from the bottom of the frame: the chroma row the pair
// shares and its two luma rows are scaled into small rows of their own (or, for a plane of
// its output's size, taken straight from the source), and converted into the frame. Nothing
// the size of the picture or of the frame is written besides the frame itself, so a frame
// costs one read of the source and one write of the frame; the rows stay in the cache.
//
// Packed Y,Cb,Y,Cr (and Cb,Y,Cr,Y) lines are read as two planes, luma from every other byte
// and Cb,Cr pairs from the others, each with its own filter down the lines: their chroma is
// as tall as the picture and goes to half the frame's height like the planar layouts'.
//
// RGB pictures of the frame's own size are copied line by line (Rgb32 without its fourth
// bytes), not filtered. A top-down one is then read from its last line up, against the
// direction the processor prefetches in: at 3840x2160 that took twice the time of reading
// upwards on the host, and prefetching each next line while the current one is copied won
// most of it back.
#include "video/picture_scaler.h"

#include <cstring>

#if ORVEL_SSE2_PATH
#include <xmmintrin.h>
#endif

namespace {

using Samples = PlaneScaler::Samples;

bool IsPlanar(DecodedFormat format) { return format == DecodedFormat::I420 || format == DecodedFormat::Yv12; }

bool IsRgb(DecodedFormat format) { return format == DecodedFormat::Rgb24 || format == DecodedFormat::Rgb32; }

#if ORVEL_SSE2_PATH
// PREFETCHT0 of every cache line of `bytes` from `at` (it reads no register and never faults).
ORVEL_SSE2_FUNCTION ORVEL_SSE_ENTRY void PrefetchSse2(const uint8_t* at, size_t bytes) {
  for (size_t i = 0; i < bytes; i += 64) _mm_prefetch(reinterpret_cast<const char*>(at + i), _MM_HINT_T0);
  _mm_prefetch(reinterpret_cast<const char*>(at + bytes - 1), _MM_HINT_T0);
}
#endif

// A line read after the one being read now but below it in memory: the processor's own
// prefetch follows rising addresses, so without this every such line starts with misses.
void PrefetchLine(const uint8_t* at, size_t bytes, bool sse2) {
#if ORVEL_SSE2_PATH
  if (sse2) PrefetchSse2(at, bytes);
#else
  (void)at, (void)bytes, (void)sse2;
#endif
}

}  // namespace

bool PictureScaler::Prepare(const DecodedPicture& picture, FrameSize output) {
  if (picture.format == preparedFormat && picture.width == preparedWidth && picture.height == preparedHeight &&
      output == preparedOutput) {
    return true;
  }
  preparedWidth = 0;
  const int32_t width = picture.width, height = picture.height;
  const int32_t chromaWidth = (width + 1) / 2, chromaLines = (height + 1) / 2;
  const int32_t outWidth = output.width, outHeight = output.height;
  const int32_t outChromaWidth = (outWidth + 1) / 2, outChromaRows = (outHeight + 1) / 2;
  bool prepared = false;
  switch (picture.format) {
    case DecodedFormat::Nv12:
      prepared = luma.Prepare(width, height, 1, Samples::Packed, outWidth, outHeight) &&
                 chroma.Prepare(chromaWidth, chromaLines, 2, Samples::Packed, outChromaWidth, outChromaRows);
      break;
    case DecodedFormat::I420:
    case DecodedFormat::Yv12:
      prepared = luma.Prepare(width, height, 1, Samples::Packed, outWidth, outHeight) &&
                 chroma.Prepare(chromaWidth, chromaLines, 1, Samples::Packed, outChromaWidth, outChromaRows) &&
                 secondChroma.Prepare(chromaWidth, chromaLines, 1, Samples::Packed, outChromaWidth, outChromaRows);
      break;
    case DecodedFormat::Yuy2:
    case DecodedFormat::Uyvy: {
      const bool lumaFirst = picture.format == DecodedFormat::Yuy2;
      prepared =
          luma.Prepare(width, height, 1, lumaFirst ? Samples::EvenBytes : Samples::OddBytes, outWidth, outHeight) &&
          chroma.Prepare(chromaWidth, height, 2, lumaFirst ? Samples::OddBytes : Samples::EvenBytes, outChromaWidth,
                         outChromaRows);
      break;
    }
    case DecodedFormat::Rgb24:
      prepared = luma.Prepare(width, height, 3, Samples::Packed, outWidth, outHeight);
      break;
    case DecodedFormat::Rgb32:
      prepared = luma.Prepare(width, height, 3, Samples::FourthSkipped, outWidth, outHeight);
      break;
  }
  if (!prepared) return false;
  if (!IsRgb(picture.format)) {
    const size_t chromaRows = IsPlanar(picture.format) ? 2 : 1;
    rows.assign(2 * luma.RowBytes() + chromaRows * chroma.RowBytes(), 0);
  }
  preparedFormat = picture.format;
  preparedWidth = width;
  preparedHeight = height;
  preparedOutput = output;
  return true;
}

void PictureScaler::DrawYuv(const uint8_t* source, const DecodedPicture& p, const DecodedPlanes& planes,
                            YuvMatrix matrix, uint8_t* frame, PixelPath path) {
  const bool sse2 = path != PixelPath::Scalar && PixelPathRuns(path);
  const int32_t outWidth = preparedOutput.width, outHeight = preparedOutput.height;
  const int32_t outChromaRows = (outHeight + 1) / 2;
  const std::ptrdiff_t pitch = FramePitch(outWidth);
  // Every plane is walked up from its bottom line, as the frame's rows are counted.
  const std::ptrdiff_t stride = p.stride;
  const uint8_t* lumaBottom = source + std::ptrdiff_t(p.height - 1) * stride;
  const bool planar = IsPlanar(p.format);
  const bool packed = p.format == DecodedFormat::Yuy2 || p.format == DecodedFormat::Uyvy;
  const std::ptrdiff_t chromaStep = packed ? -stride : -std::ptrdiff_t(planes.chromaStride);
  const std::ptrdiff_t chromaLines = packed ? p.height : (p.height + 1) / 2;
  const uint8_t* cbBottom = packed ? lumaBottom : source + planes.cbOffset - (chromaLines - 1) * chromaStep;
  const uint8_t* crBottom = source + planes.crOffset - (chromaLines - 1) * chromaStep;

  uint8_t* lumaRows[2] = {rows.data(), rows.data() + luma.RowBytes()};
  uint8_t* cbRow = rows.data() + 2 * luma.RowBytes();
  uint8_t* crRow = cbRow + chroma.RowBytes();
  // Chroma row c (from the top) goes with frame lines 2c and 2c + 1 from the top.
  for (int32_t c = 0; c < outChromaRows; ++c) {
    const int32_t chromaRow = outChromaRows - 1 - c;
    const uint8_t* cb = chroma.Row(cbBottom, chromaStep, chromaRow, cbRow, sse2);
    const uint8_t* cr = planar ? secondChroma.Row(crBottom, chromaStep, chromaRow, crRow, sse2) : cb + 1;
    const int32_t upper = outHeight - 1 - 2 * c;  // frame row of line 2c
    const uint8_t* first = luma.Row(lumaBottom, -stride, upper, lumaRows[0], sse2);
    const uint8_t* second = upper > 0 ? luma.Row(lumaBottom, -stride, upper - 1, lumaRows[1], sse2) : nullptr;
    ConvertYuvLinesToRgb24(first, second, cb, cr, planar ? 1 : 2, outWidth, matrix, frame + upper * pitch,
                           second != nullptr ? frame + (upper - 1) * pitch : nullptr, path);
  }
}

void PictureScaler::DrawRgb(const uint8_t* source, const DecodedPicture& p, uint8_t* frame, PixelPath path) {
  const bool sse2 = path != PixelPath::Scalar && PixelPathRuns(path);
  const std::ptrdiff_t stride = p.stride;
  const uint8_t* bottom = p.bottomUp ? source : source + std::ptrdiff_t(p.height - 1) * stride;
  const std::ptrdiff_t up = p.bottomUp ? stride : -stride;
  const std::ptrdiff_t pitch = FramePitch(preparedOutput.width);
  const size_t rowBytes = size_t(preparedOutput.width) * 3;
  const bool ownSize = p.width == preparedOutput.width && p.height == preparedOutput.height;
  // A top-down picture of the frame's size is read a line at a time from its last line up.
  const size_t lineBytes = size_t(p.width) * (p.format == DecodedFormat::Rgb32 ? 4 : 3);
  const bool prefetch = ownSize && !p.bottomUp;
  if (ownSize && p.format == DecodedFormat::Rgb32) {
    // The filter at one to one would only give the pixels back, at the cost of its two taps.
    for (int32_t row = 0; row < preparedOutput.height; ++row) {
      if (prefetch && row + 1 < preparedOutput.height) PrefetchLine(bottom + (row + 1) * up, lineBytes, sse2);
      CopyRgb32LineToRgb24(bottom + row * up, p.width, frame + row * pitch, path);
    }
    return;
  }
  for (int32_t row = 0; row < preparedOutput.height; ++row) {
    if (prefetch && row + 1 < preparedOutput.height) PrefetchLine(bottom + (row + 1) * up, lineBytes, sse2);
    uint8_t* frameRow = frame + row * pitch;
    const uint8_t* scaled = luma.Row(bottom, up, row, frameRow, sse2);
    if (scaled != frameRow) std::memcpy(frameRow, scaled, rowBytes);
  }
}

bool PictureScaler::Draw(const uint8_t* source, uint64_t sourceBytes, const DecodedPicture& picture, YuvMatrix matrix,
                         uint8_t* frame, FrameSize output, PixelPath path) {
  const DecodedPlanes planes = PlanesOf(picture);
  if (planes.bytes == 0 || sourceBytes < planes.bytes || source == nullptr || frame == nullptr) return false;
  if (matrix != YuvMatrix::Bt601 && matrix != YuvMatrix::Bt709) return false;
  if (!IsFrameSize(output) || output.width < kFrameSide || output.height < kFrameSide) return false;
  if (!Prepare(picture, output)) return false;
  if (IsRgb(picture.format)) {
    DrawRgb(source, picture, frame, path);
  } else {
    DrawYuv(source, picture, planes, matrix, frame, path);
  }
  return true;
}
