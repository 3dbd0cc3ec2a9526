// The filter graph that plays one video file into videoTexture: build and start it, poll
// its events for the end of the video, stop and free it. All of a graph's operations run on
// the thread that built it, which owns it (a file's try thread in a run, a test's own
// thread in the tests); the graph's streaming thread calls the texture renderer meanwhile.
#pragma once

#include <windows.h>

#include <dshow.h>

#include "video/frame_surface_win.h"

struct MediaFoundationVideo;
class TextureRenderer;

struct VideoGraph {
  IGraphBuilder* graphBuilder = nullptr;
  IMediaControl* mediaControl = nullptr;
  IMediaPosition* mediaPosition = nullptr;          // positions in seconds
  IMediaEvent* mediaEvent = nullptr;                // read by polling only
  TextureRenderer* renderer = nullptr;              // counts the frames that arrived
  MediaFoundationVideo* mediaFoundation = nullptr;  // the other way, when it plays the file
  FrameProducer producer = 0;                       // whose frames these are; set before the build
};

// Longest path accepted, in characters (the 260-byte buffer with its terminator).
constexpr int kLongestVideoPath = 259;

// Builds the graph source -> ... -> texture renderer for the video stream of one file and
// runs it. When DirectShow cannot play the file, the half-built graph is released and the
// file is played through Media Foundation instead where that is present
// (media_foundation_win.h); the operations here cover both. 0 when it plays; a negative
// code (DirectShow's) when neither can play it. Needs COM on this thread, videoTexture, and
// nothing held in `graph` (ReleaseVideoGraph first). A failed build may leave part of the
// graph behind for ReleaseVideoGraph.
// The path in the ANSI code page, or wide (a listed file's name may be in any language).
HRESULT BuildVideoGraph(VideoGraph& graph, const char* path);
HRESULT BuildVideoGraph(VideoGraph& graph, const wchar_t* path);

// Test seam: false makes BuildVideoGraph skip DirectShow, so that every file takes the Media
// Foundation way (the platform under test plays everything through DirectShow).
extern bool videoGraphTriesDirectShow;

// Test seam: told of each DirectShow graph once it runs, on the thread that built it, so
// that a test can send it the events of a file that breaks (the platform cannot be made to
// fail in the middle of a file on demand). Null in the program.
extern void (*videoGraphRunning)(IGraphBuilder* graph);

// Takes at most one pending graph event without waiting. Mode 0: false, nothing taken.
// Mode 1 (a single file loops): rewinds on the end of the stream; true. Other modes: true on
// the end of the video (the end of the stream, or an error or abort that stopped it) and
// false otherwise; the end of the stream is rewound, except through Media Foundation, whose
// caller moves on and releases it.
bool PollVideoEnd(VideoGraph& graph, int mode);

// Test seam: told of each DirectShow graph once it runs, on the thread that built it, so
// that a test can send it the events of a file that breaks (the platform cannot be made to
// fail in the middle of a file on demand). Null in the program.
extern void (*videoGraphRunning)(IGraphBuilder* graph);

// Takes at most one pending graph event without waiting and rewinds nothing: true when it
// ends the video, with *completed true when that end is the end of the stream (which a
// rewind starts again) rather than an error or abort.
bool TakeVideoEnd(VideoGraph& graph, bool* completed);

// Starts the video again from its beginning.
void RewindVideo(VideoGraph& graph);

// Frames that reached the renderer (shown or not) since the build.
long VideoFramesDelivered(const VideoGraph& graph);

// Stops the graph (no frame reaches the texture after this returns, unless a Media
// Foundation reader stuck in the platform was left behind, whose frames the frame surface
// refuses once the video is no longer shown) and frees it. Harmless when nothing is held.
void ReleaseVideoGraph(VideoGraph& graph);
