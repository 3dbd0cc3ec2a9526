// The code paths of the per-frame pixel loops (frame scaling, texture conversion): plain C++
// for any processor, SSE2, and SSE2 with SSSE3's byte shuffle. All give the same bytes; the
// best one the processor and the system both run is taken. Read from the graph's streaming
// thread and from tests.
#pragma once

#include <cstdint>

enum class PixelPath {
  Scalar,
  Sse2,
  Ssse3,  // the texture and YUV conversions' own loops; the scaler runs its SSE2 ones
};

// The path the loops take here: Ssse3 where the processor has SSSE3 (most x86 processors
// since 2006), else Sse2 where it has SSE2 (every x86-64 one, and 32-bit ones from the
// Pentium 4 on), Scalar elsewhere; Scalar too where the system does not save the SSE
// registers when it switches threads.
PixelPath BestPixelPath();

// Whether `path` can run here. A loop asked for a path that cannot runs the scalar one.
bool PixelPathRuns(PixelPath path);

// The choice itself, from CPUID leaf 1's EDX and ECX and whether the system saves the SSE
// registers.
PixelPath ChoosePixelPath(uint32_t cpuidEdx, uint32_t cpuidEcx, bool systemSavesSse);

// Whether a Windows of this version saves the SSE registers of each thread: the 9x family
// from Windows 98 (4.10) on and the NT family from Windows 2000 (5.0) on; Windows 95 and
// NT 4 (4.0) do not, and an SSE instruction there faults whatever the processor has.
bool WindowsVersionSavesSse(uint32_t major, uint32_t minor);

// Whether this system saves them: always on Linux and on 64-bit Windows (their ABIs pass
// values in SSE registers); on 32-bit Windows by WindowsVersionSavesSse (sse_state_win.cpp).
bool SystemSavesSseState();

// SSE2 code is compiled on both x86 targets. The 32-bit build enables no SSE at all, so its
// SSE2 functions carry their own target and are only called once the processor and the
// system have been asked. Every function whose code uses SSE registers has Sse2 or Ssse3 in
// its name: a check of the built 32-bit program holds the rest to x87 and integer code.
#if defined(__x86_64__) || defined(__i386__)
#define ORVEL_SSE2_PATH 1
#if defined(__SSE2__)
#define ORVEL_SSE2_FUNCTION
#else
#define ORVEL_SSE2_FUNCTION __attribute__((target("sse2")))
#endif
// No target of either build enables SSSE3: its functions always carry their own target.
#define ORVEL_SSSE3_FUNCTION __attribute__((target("ssse3")))
// The ways into SSE code from code that uses none (the row loops the conversion picks, the
// scaler's row passes). 32-bit Windows promises a callee 4-byte stack alignment only, and
// the pixel loops run on threads that other compilers' code started (DirectShow's streaming
// threads, decoders), while GCC spills SSE values with instructions that need 16: such an
// entry realigns the stack itself. The 64-bit ABI promises 16 already.
#if defined(__i386__)
#define ORVEL_SSE_ENTRY __attribute__((force_align_arg_pointer))
#else
#define ORVEL_SSE_ENTRY
#endif
#else
#define ORVEL_SSE2_PATH 0
#endif
