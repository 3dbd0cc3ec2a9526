// One video graph of the caller's thread, shown as it plays: for the tests and benchmarks
// that build, poll and release a graph themselves, as a try's thread does in a run.
// Header only: its users link the platform layer themselves.
#pragma once

#include "video/frame_surface_win.h"
#include "video/video_graph_win.h"

inline VideoGraph videoGraph;

// Builds `path` into videoGraph as the shown producer.
inline HRESULT BuildVideoGraph(const char* path) {
  videoGraph.producer = ShowFrameProducer(NewFrameProducer());
  return BuildVideoGraph(videoGraph, path);
}

inline bool PollVideoEnd(int mode) { return PollVideoEnd(videoGraph, mode); }

inline void ReleaseVideoGraph() { ReleaseVideoGraph(videoGraph); }

inline bool MediaFoundationVideoHeld() { return videoGraph.mediaFoundation != nullptr; }
