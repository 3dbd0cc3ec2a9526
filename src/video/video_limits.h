// The picture size limit every part of the video path checks against, and the helpers that
// check it: one definition, so that the probes, the renderer's format check, the decoded
// picture layout and the scaler cannot disagree about what is too large. Portable; constants
// and pure functions, any thread.
#pragma once

#include <cstdint>

// The longest side, in pixels, of a picture taken from a file or a decoder; anything longer is
// refused before memory is sized by it.
constexpr int32_t kLargestVideoSide = 16384;

// |value| in 64 bits: -INT32_MIN does not fit an int32_t (heights and strides are signed).
constexpr int64_t Magnitude(int32_t value) { return value < 0 ? -int64_t(value) : int64_t(value); }

// True for a side from 1 to kLargestVideoSide.
constexpr bool IsAcceptedVideoSide(int64_t side) { return side >= 1 && side <= kLargestVideoSide; }
