// How a Wine benchmark says that a figure did not come: one "failed: why" line on standard
// output, where the scripts look for it, and the program's exit code. Any thread.
#pragma once

#include <cstdarg>
#include <cstdio>

inline int Failed(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  std::fputs("failed: ", stdout);
  std::vprintf(format, arguments);
  std::putchar('\n');
  va_end(arguments);
  return 1;
}
