// The benchmarks' clock: milliseconds from the performance counter. Any thread.
#pragma once

#include <windows.h>

inline double NowMs() {
  static const LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return 1000.0 * double(counter.QuadPart) / double(frequency.QuadPart);
}
