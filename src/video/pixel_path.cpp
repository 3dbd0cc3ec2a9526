// Choice of the pixel loops' code path. The answer is worked out once per process, on first
// use, by whichever thread asks first.
#include "video/pixel_path.h"

#if ORVEL_SSE2_PATH
#include <cpuid.h>
#endif

namespace {

PixelPath ProcessorsBestPath() {
#if !ORVEL_SSE2_PATH
  return PixelPath::Scalar;
#else
  // Leaf 1: SSE2 is EDX bit 26, SSSE3 ECX bit 9. __get_cpuid also copes with the
  // processors that have no CPUID.
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return PixelPath::Scalar;
  if ((edx & bit_SSE2) == 0) return PixelPath::Scalar;
  return (ecx & bit_SSSE3) != 0 ? PixelPath::Ssse3 : PixelPath::Sse2;
#endif
}

}  // namespace

PixelPath BestPixelPath() {
  static const PixelPath best = ProcessorsBestPath();
  return best;
}

bool PixelPathRuns(PixelPath path) {
  switch (path) {
    case PixelPath::Scalar:
      return true;
    case PixelPath::Sse2:
      return BestPixelPath() != PixelPath::Scalar;
    case PixelPath::Ssse3:
      return BestPixelPath() == PixelPath::Ssse3;
  }
  return false;
}
