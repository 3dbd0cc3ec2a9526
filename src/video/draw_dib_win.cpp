// DrawDib from the system folder's msvfw32.dll, which stays loaded once looked up. Main thread.
#include "video/draw_dib_win.h"

#include "base/system_library_win.h"

namespace {

typedef HDRAWDIB(VFWAPI* OpenProc)();
typedef BOOL(VFWAPI* CloseProc)(HDRAWDIB drawDib);

}  // namespace

HDRAWDIB OpenDrawDib() {
  static const auto open = LookUpSystemProc<OpenProc>("msvfw32.dll", "DrawDibOpen");
  return open != nullptr ? open() : nullptr;
}

void CloseDrawDib(HDRAWDIB drawDib) {
  static const auto close = LookUpSystemProc<CloseProc>("msvfw32.dll", "DrawDibClose");
  if (drawDib != nullptr && close != nullptr) close(drawDib);
}
