// The two code paths of the per-frame pixel loops (frame scaling, texture conversion): plain
// C++ for any processor, and SSE2. Both give the same bytes; the SSE2 one is taken wherever
// the processor has it. Read from the graph's streaming thread and from tests.
#pragma once

enum class PixelPath {
  Scalar,
  Sse2,
};

// The path the loops take on this processor: Sse2 where the processor has SSE2 (every x86-64
// one, and 32-bit ones from the Pentium 4 on), Scalar elsewhere.
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
#else
#define ORVEL_SSE2_PATH 0
#endif
