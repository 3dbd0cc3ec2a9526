// Drawing of one decoded video picture into the frame surface, whatever the frame's size:
// the picture's planes are scaled to the frame first and only then converted to B,G,R, so
// that the conversion runs once per frame pixel however large the video, and a picture of
// the frame's own size keeps its one-pixel detail. Portable. A PictureScaler is used by one
// thread at a time: the thread that takes the decoder's output (the graph's streaming
// thread), or the one that prepares it before the graph streams.
//
// Scaling follows FrameScaler's rules in each direction on its own (area mean where the
// plane is longer than its output, linear interpolation with pixel centres aligned where it
// is as long or shorter). Luma goes to the frame's width x height, chroma to half of it
// rounded up, each chroma plane stretched over the whole picture as its samples are; each
// 2x2 block of frame pixels then takes one chroma sample as ConvertPictureToRgb24 does.
#pragma once

#include <cstdint>
#include <vector>

#include "video/frame_scaler.h"
#include "video/picture_convert.h"
#include "video/pixel_convert.h"
#include "video/pixel_path.h"

class PictureScaler {
 public:
  // Draws the picture stretched over all of `frame` (FrameBytes(output) bytes, 24-bit B,G,R,
  // rows FramePitch(output.width) apart, bottom-up: the picture's top line in the frame's last
  // row; the rows' fill bytes are left as they are). YUV layouts are converted with `matrix`
  // by ConvertPictureToRgb24's rules; Rgb24 and Rgb32 are scaled as pixels, either way up. False,
  // with the frame untouched, when the layout is impossible (DecodedPictureBytes is 0),
  // sourceBytes is shorter than it, the matrix is not one of the two, or a side of the output
  // is outside kFrameSide to kLargestFrameSide. Never reads past sourceBytes. Allocates only
  // when the picture's format or size, or the output size, differs from the last call's.
  bool Draw(const uint8_t* source, uint64_t sourceBytes, const DecodedPicture& picture, YuvMatrix matrix,
            uint8_t* frame, FrameSize output, PixelPath path);

 private:
  bool Prepare(const DecodedPicture& picture, FrameSize output);
  void DrawYuv(const uint8_t* source, const DecodedPicture& picture, const DecodedPlanes& planes, YuvMatrix matrix,
               uint8_t* frame, PixelPath path);
  void DrawRgb(const uint8_t* source, const DecodedPicture& picture, uint8_t* frame, PixelPath path);

  DecodedFormat preparedFormat = DecodedFormat::Nv12;
  int32_t preparedWidth = 0;  // 0 when nothing is prepared
  int32_t preparedHeight = 0;
  FrameSize preparedOutput;
  // Planes as the format has them: Y (or the B,G,R pixels), then Cb,Cr pairs (or Cb alone),
  // then Cr alone (I420, Yv12). Rows are counted from the picture's bottom line, as the frame's.
  PlaneScaler luma;
  PlaneScaler chroma;
  PlaneScaler secondChroma;
  // Two scaled luma rows, then a row of each chroma plane.
  std::vector<uint8_t> rows;
};
