// Choice of the pixel loops' code path. The answer is worked out once per process, on first
// use, by whichever thread asks first.
#include "video/pixel_path.h"

#if ORVEL_SSE2_PATH && !defined(__SSE2__)
#include <cpuid.h>
#endif

namespace {

bool ProcessorHasSse2() {
#if !ORVEL_SSE2_PATH
  return false;
#elif defined(__SSE2__)
  return true;
#else
  // Leaf 1, EDX bit 26. __get_cpuid also copes with the processors that have no CPUID.
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  return (edx & bit_SSE2) != 0;
#endif
}

}  // namespace

PixelPath BestPixelPath() {
  static const PixelPath best = ProcessorHasSse2() ? PixelPath::Sse2 : PixelPath::Scalar;
  return best;
}

bool PixelPathRuns(PixelPath path) { return path == PixelPath::Scalar || BestPixelPath() == PixelPath::Sse2; }
