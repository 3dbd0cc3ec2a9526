// The pixel loops' code paths that this processor runs, for tests that check every path
// gives the same bytes. A path it cannot run is left out rather than quietly replaced.
#pragma once

#include <vector>

#include "video/pixel_path.h"

inline std::vector<PixelPath> PathsHere() {
  std::vector<PixelPath> paths{PixelPath::Scalar};
  if (PixelPathRuns(PixelPath::Sse2)) paths.push_back(PixelPath::Sse2);
  if (PixelPathRuns(PixelPath::Ssse3)) paths.push_back(PixelPath::Ssse3);
  return paths;
}

inline const char* PathName(PixelPath path) {
  return path == PixelPath::Ssse3 ? "SSSE3 path" : path == PixelPath::Sse2 ? "SSE2 path" : "scalar path";
}
