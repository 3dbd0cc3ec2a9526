// The code paths of the per-frame pixel loops (frame scaling, texture conversion): plain C++
// for any processor, SSE2, and SSE2 with SSSE3's byte shuffle. All give the same bytes; the
// best one the processor has is taken. Read from the graph's streaming thread and from tests.
#pragma once

enum class PixelPath {
  Scalar,
  Sse2,
  Ssse3,  // the texture conversion's own loops; the scaler runs its SSE2 ones
};

// The path the loops take on this processor: Ssse3 where it has SSSE3 (most x86 processors
// since 2006), else Sse2 where it has SSE2 (every x86-64 one, and 32-bit ones from the
// Pentium 4 on), Scalar elsewhere.
PixelPath BestPixelPath();

// Whether `path` can run here. A loop asked for a path that cannot runs the scalar one.
bool PixelPathRuns(PixelPath path);

// SSE2 code is compiled on both x86 targets. The 32-bit build enables no more than SSE, so
// its SSE2 functions carry their own target and are only called once the processor has
// been asked.
#if defined(__x86_64__) || defined(__i386__)
#define ORVEL_SSE2_PATH 1
#if defined(__SSE2__)
#define ORVEL_SSE2_FUNCTION
#else
#define ORVEL_SSE2_FUNCTION __attribute__((target("sse2")))
#endif
// No target of either build enables SSSE3: its functions always carry their own target.
#define ORVEL_SSSE3_FUNCTION __attribute__((target("ssse3")))
#else
#define ORVEL_SSE2_PATH 0
#endif
