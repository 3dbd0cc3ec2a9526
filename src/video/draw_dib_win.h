// DrawDib of Video for Windows, looked up at run time in the system folder's msvfw32.dll:
// that library is not protected as a KnownDLL, so importing it by name would load a file of
// the same name beside the program. Main thread (the frame surface's set-up and release).
#pragma once

#include <windows.h>

#include <vfw.h>

// DrawDibOpen; null where msvfw32 or the function is missing, as when DrawDibOpen fails.
HDRAWDIB OpenDrawDib();

// DrawDibClose for what OpenDrawDib gave; harmless for null.
void CloseDrawDib(HDRAWDIB drawDib);
