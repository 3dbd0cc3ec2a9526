// Choice of the pixel loops' code path. The answer is worked out once per process, on first
// use, by whichever thread asks first.
#include "video/pixel_path.h"

#if ORVEL_SSE2_PATH
#include <cpuid.h>
#endif

namespace {

// CPUID leaf 1: SSE2 is EDX bit 26, SSSE3 ECX bit 9.
constexpr uint32_t kSse2Bit = 1u << 26;
constexpr uint32_t kSsse3Bit = 1u << 9;

PixelPath ProcessorsBestPath() {
#if !ORVEL_SSE2_PATH
  return PixelPath::Scalar;
#else
  // __get_cpuid also copes with the processors that have no CPUID.
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return PixelPath::Scalar;
  return ChoosePixelPath(edx, ecx, SystemSavesSseState());
#endif
}

}  // namespace

PixelPath ChoosePixelPath(uint32_t cpuidEdx, uint32_t cpuidEcx, bool systemSavesSse) {
  if (!systemSavesSse || (cpuidEdx & kSse2Bit) == 0) return PixelPath::Scalar;
  return (cpuidEcx & kSsse3Bit) != 0 ? PixelPath::Ssse3 : PixelPath::Sse2;
}

bool WindowsVersionSavesSse(uint32_t major, uint32_t minor) { return major > 4 || (major == 4 && minor >= 10); }

#if !defined(_WIN32)
bool SystemSavesSseState() { return true; }
#endif

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
