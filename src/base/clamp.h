// The clamps every reader of the settings record applies with its own bounds, and the digit
// test of the text parsers. Portable, pure; any thread.
#pragma once

#include <cstdint>

// `value` brought into [low, high].
constexpr int32_t ClampInt(int32_t value, int32_t low, int32_t high) {
  return value <= low ? low : value >= high ? high : value;
}

// `value` brought into [low, high]; NaN, as a damaged record may hold, takes the low end.
constexpr float ClampFloat(float value, float low, float high) {
  return !(value > low) ? low : value >= high ? high : value;
}

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
