// The one filter graph that plays the current video file into videoTexture: build and
// start it, poll its events for the end of the video, stop and free it. Main thread only;
// the graph's own streaming thread calls the texture renderer while it runs.
#pragma once

#include <windows.h>

#include <dshow.h>

struct VideoGraph {
  IGraphBuilder* graphBuilder = nullptr;
  IMediaControl* mediaControl = nullptr;
  IMediaPosition* mediaPosition = nullptr;  // positions in seconds
  IMediaEvent* mediaEvent = nullptr;        // read by polling only
};

extern VideoGraph videoGraph;

// Longest path accepted, in characters (the 260-byte buffer with its terminator).
constexpr int kLongestVideoPath = 259;

// Builds the graph source -> ... -> texture renderer for the video stream of one file and
// runs it. When DirectShow cannot play the file, it is played through Media Foundation
// instead where that is present (media_foundation_win.h); the three operations here cover
// both. 0 when it plays; a negative code (DirectShow's) when neither can play it. Needs COM
// on this thread, videoTexture, and no graph held (ReleaseVideoGraph first). A failed build
// may leave part of videoGraph behind for ReleaseVideoGraph.
HRESULT BuildVideoGraph(const char* path);

// Test seam: false makes BuildVideoGraph skip DirectShow, so that every file takes the Media
// Foundation way (the platform under test plays everything through DirectShow).
extern bool videoGraphTriesDirectShow;

// Takes at most one pending graph event without waiting. Mode 0: false, nothing taken.
// Mode 1 (a single file loops): rewinds on the end of the stream; true. Other modes: rewinds
// and answers true on the end of the stream, false otherwise.
bool PollVideoEnd(int mode);

// Stops the graph (no frame reaches the texture after this returns) and frees it. Harmless
// when nothing is held.
void ReleaseVideoGraph();
