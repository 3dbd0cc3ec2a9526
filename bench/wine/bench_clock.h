// The benchmarks' clock: the performance counter's integer ticks, turned into milliseconds
// only once two readings have been subtracted, and timed batches long enough to be read to
// three significant digits. Any thread.
//
// Milliseconds since boot held in a double lose their fraction on a thread whose x87
// precision Direct3D 8 has set to 24 bits (the thread that made the device): a difference of
// ticks is small and exact whatever the precision, and the one rounding left is the scale.
#pragma once

#include <windows.h>

#include <cstdint>

typedef int64_t BenchTicks;

inline BenchTicks NowTicks() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

inline int64_t TicksPerSecond() {
  static const int64_t frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  return frequency;
}

inline double TicksToMs(int64_t ticks) { return double(ticks) * 1000.0 / double(TicksPerSecond()); }

inline double MsSince(BenchTicks start) { return TicksToMs(NowTicks() - start); }

// A timed batch lasts at least 1000 ticks (three significant digits of the counter) and at
// least 1 ms, well past the cost of reading the counter on any system.
inline int64_t MinBatchTicks() {
  const int64_t millisecond = TicksPerSecond() / 1000;
  return millisecond > 1000 ? millisecond : 1000;
}

// How many calls of `work` (which answers false when the work was refused) make one timed
// batch: doubled from one until a batch lasts MinBatchTicks. 0 when a call was refused.
template <typename Work>
int CallsPerBatch(Work&& work) {
  for (int calls = 1; calls < (1 << 24); calls *= 2) {
    const BenchTicks start = NowTicks();
    for (int i = 0; i < calls; ++i)
      if (!work()) return 0;
    if (NowTicks() - start >= MinBatchTicks()) return calls;
  }
  return 0;
}

// Milliseconds per call over one batch of `calls` calls, or a negative number when a call
// was refused (its time is not a time of the work).
template <typename Work>
double MsPerCall(int calls, Work&& work) {
  const BenchTicks start = NowTicks();
  for (int i = 0; i < calls; ++i)
    if (!work()) return -1;
  return TicksToMs(NowTicks() - start) / calls;
}
