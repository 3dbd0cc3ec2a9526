// Colour comparison. Any thread.
#include "colour.h"

#include <cstdio>
#include <cstdlib>

bool Near(Rgb a, Rgb b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

std::string Describe(Rgb c) {
  char text[48];
  std::snprintf(text, sizeof text, "(%d, %d, %d)", c.r, c.g, c.b);
  return text;
}
