// The count of frames_drawn.h. The producers' threads count; any thread reads.
#include "frames_drawn.h"

#include <windows.h>

#include <type_traits>

#include "video/frame_surface_win.h"

namespace {

volatile LONG framesDrawn = 0;

typedef HRESULT DrawPicture(FrameProducer, PictureScaler&, const uint8_t*, uint64_t, const DecodedPicture&, YuvMatrix);
// The link names below are those of this signature; when it changes, the reference to the
// real function no longer links, rather than the count quietly staying at 0.
static_assert(std::is_same<decltype(DrawPictureIntoTexture), DrawPicture>::value, "wrap names out of date");

}  // namespace

// The names the linker's --wrap gives the real function and its replacement (C linkage, so
// that each target's own symbol prefix is added as the linker expects it).
extern "C" DrawPicture __real__Z22DrawPictureIntoTexturelR13PictureScalerPKhyRK14DecodedPicture9YuvMatrix;

extern "C" HRESULT __wrap__Z22DrawPictureIntoTexturelR13PictureScalerPKhyRK14DecodedPicture9YuvMatrix(
    FrameProducer producer, PictureScaler& scaler, const uint8_t* source, uint64_t sourceBytes,
    const DecodedPicture& picture, YuvMatrix matrix) {
  const HRESULT result = __real__Z22DrawPictureIntoTexturelR13PictureScalerPKhyRK14DecodedPicture9YuvMatrix(
      producer, scaler, source, sourceBytes, picture, matrix);
  if (result == S_OK) InterlockedIncrement(&framesDrawn);
  return result;
}

long FramesDrawn() { return framesDrawn; }
