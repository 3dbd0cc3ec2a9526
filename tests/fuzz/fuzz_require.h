// How a fuzz target reports a broken property: it names the property and aborts, so that
// libFuzzer keeps the input as a crash artifact. Each fuzz target runs on one thread.
#pragma once

#include <cstdio>
#include <cstdlib>

inline void Require(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", property);
  std::abort();
}
