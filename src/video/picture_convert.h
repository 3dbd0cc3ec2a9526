// Conversion of one decoded video picture, in a layout a Media Foundation decoder hands out,
// into the 24-bit B,G,R rows that the frame scaler takes, and of the scaled lines the picture
// scaler draws from such a picture. Portable. Called on the thread that takes the decoder's
// output, once per picture; it keeps no state (its tables are constant), so any thread may
// call it.
//
// Every layout below is one buffer: `stride` bytes from one line of the first plane to the
// next, the first plane `planeRows` lines long (decoders pad, e.g. 1088 lines for 1080), and
// the chroma planes after it. A side of W pixels has (W + 1) / 2 chroma samples, a height of H
// lines (H + 1) / 2 chroma lines. The last line of the last plane need not be padded.
//   Nv12   Y plane; then one plane of Cb,Cr pairs, lines `stride` bytes apart. The stride
//          must hold a chroma line, (W + 1) / 2 pairs: W rounded up to even.
//   I420   Y plane; then the Cb plane and the Cr plane, each (planeRows + 1) / 2 lines of
//          (stride + 1) / 2 bytes. Rounding up makes the smallest odd stride, W, hold its
//          chroma lines too; for the even strides decoders give it is stride / 2.
//   Yv12   as I420 with the Cr plane first.
//   Yuy2   Y0 Cb Y1 Cr for each pair of pixels; lines hold whole pairs.
//   Rgb32  B,G,R,X per pixel.    Rgb24  B,G,R per pixel.
//   Uyvy   Cb Y0 Cr Y1 for each pair of pixels; lines hold whole pairs.
// The packed formats (Yuy2, Rgb32, Rgb24, Uyvy) have one plane; only its first H lines are
// read.
#pragma once

#include <cstdint>

#include "video/pixel_path.h"

// New layouts go at the end: the values are kept where they are stored or compared.
enum class DecodedFormat { Nv12, I420, Yv12, Yuy2, Rgb32, Rgb24, Uyvy };
enum class YuvMatrix { Bt601, Bt709 };

// The matrix a picture of this size is taken to be in when the decoder does not say: BT.709
// for high definition (wider than 1024 or taller than 576 lines), BT.601 otherwise.
YuvMatrix MatrixForSize(int32_t width, int32_t height);

struct DecodedPicture {
  DecodedFormat format = DecodedFormat::Nv12;
  int32_t width = 0;      // visible pixels
  int32_t height = 0;     // visible lines
  int32_t stride = 0;     // bytes from one line of the first plane to the next (> 0)
  int32_t planeRows = 0;  // lines of the first plane in the buffer (>= height); 0 means height
  bool bottomUp = false;  // Rgb32/Rgb24 only: the buffer's first line is the picture's bottom line
};

// Bytes of the converted picture: rows of 3 * width bytes padded to a multiple of 4, height
// rows, as the frame scaler reads them. 0 when a side is outside 1 to kLargestVideoSide.
uint64_t Rgb24PictureBytes(int32_t width, int32_t height);

// Bytes `source` must hold for the picture's layout: up to the last byte of its last pixel.
// 0 when the layout is impossible: a side outside 1 to kLargestVideoSide, a stride shorter
// than a line of the format, planeRows below height, a format not in the list, or more bytes
// than an address can reach.
uint64_t DecodedPictureBytes(const DecodedPicture& picture);

// Where each plane of the picture starts in its buffer, for code that reads the planes
// itself; bytes as DecodedPictureBytes (0 for an impossible layout, and then nothing else).
struct DecodedPlanes {
  uint64_t bytes = 0;
  uint64_t cbOffset = 0;  // Nv12, I420, Yv12: the first Cb sample (Nv12: of the Cb,Cr pairs)
  uint64_t crOffset = 0;
  uint64_t chromaStride = 0;  // bytes from one chroma line to the next
};
DecodedPlanes PlanesOf(const DecodedPicture& picture);

// Converts the picture into `destination` (Rgb24PictureBytes long): B,G,R pixels, the
// picture's top line first (the frame scaler takes it with a negative height), row fill
// zeroed. YUV is limited range (luma 16 to 235, chroma 16 to 240 around 128) in `matrix`,
// rounded to nearest and clamped to 0..255; each 2x2 block (Nv12, I420, Yv12) or pair of
// pixels (Yuy2, Uyvy) takes its one chroma sample as it is, with no interpolation. False, with
// nothing written, when the layout is impossible, the matrix is not one of the two, or
// sourceBytes is shorter than DecodedPictureBytes; never reads past sourceBytes.
bool ConvertPictureToRgb24(const uint8_t* source, uint64_t sourceBytes, const DecodedPicture& picture, YuvMatrix matrix,
                           uint8_t* destination);

// Two lines of pixels that share one line of chroma, converted by the rules above (the same
// bytes as ConvertPictureToRgb24) into 3 * width bytes each at firstOut and secondOut: luma
// one byte a pixel, and pixel pair k's chroma at cb[k * chromaStep] and cr[k * chromaStep]
// (chromaStep 1: a Cb line and a Cr line; 2: one line of Cb,Cr pairs, cr == cb + 1). An odd
// last pixel reads chroma sample width / 2. `second` may be null (a picture's odd last
// line): secondOut is then not written. False, with nothing written, for another matrix or
// step. Every path writes the same bytes; for the picture scaler, once per pair of rows.
bool ConvertYuvLinesToRgb24(const uint8_t* first, const uint8_t* second, const uint8_t* cb, const uint8_t* cr,
                            int chromaStep, int32_t width, YuvMatrix matrix, uint8_t* firstOut, uint8_t* secondOut,
                            PixelPath path);

// A line of `width` B,G,R,X pixels as 3 * width bytes B,G,R at `out` (the X bytes dropped):
// an Rgb32 line as the conversion above and the picture scaler at the picture's own size take
// it. Every path writes the same bytes; nothing past the line's last pixel is read or written.
void CopyRgb32LineToRgb24(const uint8_t* line, int32_t width, uint8_t* out, PixelPath path);
