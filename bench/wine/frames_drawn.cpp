// The count of frames_drawn.h. The producers' threads count; any thread reads.
#include "frames_drawn.h"

#include <windows.h>

#include <type_traits>

#include "video/frame_surface_win.h"

namespace {

volatile LONG framesDrawn = 0;

typedef HRESULT DrawFrame(FrameProducer, FrameScaler&, const uint8_t*, uint64_t, int32_t, int32_t);
// The link names below are those of this signature; when it changes, the reference to the
// real function no longer links, rather than the count quietly staying at 0.
static_assert(std::is_same<decltype(DrawFrameIntoTexture), DrawFrame>::value, "wrap names out of date");

}  // namespace

// The names the linker's --wrap gives the real function and its replacement (C linkage, so
// that each target's own symbol prefix is added as the linker expects it).
extern "C" DrawFrame __real__Z20DrawFrameIntoTexturelR11FrameScalerPKhyii;

extern "C" HRESULT __wrap__Z20DrawFrameIntoTexturelR11FrameScalerPKhyii(FrameProducer producer, FrameScaler& scaler,
                                                                        const uint8_t* frame, uint64_t frameBytes,
                                                                        int32_t width, int32_t height) {
  const HRESULT result =
      __real__Z20DrawFrameIntoTexturelR11FrameScalerPKhyii(producer, scaler, frame, frameBytes, width, height);
  if (result == S_OK) InterlockedIncrement(&framesDrawn);
  return result;
}

long FramesDrawn() { return framesDrawn; }
