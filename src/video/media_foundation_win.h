// The second way to play a file: a Media Foundation source reader, for the files that the
// desktop DirectShow has no splitter for (MP4, MOV, MKV, WMV on Windows 7 and later). The
// libraries are looked up at run time, so the program still starts where they are missing.
//
// Threads: start, end polling, rewind and stop run on the thread that owns the video (the
// one that tries and plays the file, never the main thread during a run); a reader thread
// of this file's own decodes the frames, waits for their presentation times and delivers
// them to the frame surface as the video's producer.
#pragma once

#include <windows.h>

#include "video/frame_surface_win.h"

struct MediaFoundationVideo;

// Starts the reader thread, which opens the file and picks a decoded format this program
// converts itself, then delivers the frames as `producer`. S_OK with *video set when it
// plays; a failure code, with *video null, when Media Foundation is missing or cannot read
// or decode the file, or has not opened it within mediaFoundationOpenLimitMs (nothing is
// left behind then; a thread stuck in the platform ends on its own). Needs videoTexture and
// the frame surface. Waits for the opening on the calling thread.
HRESULT StartMediaFoundationVideo(const wchar_t* path, FrameProducer producer, MediaFoundationVideo** video);

// How long a start waits for the file to be opened (15 s; tests shorten it).
extern DWORD mediaFoundationOpenLimitMs;

// Frames decoded and handed to the frame surface since the video started, shown or not.
long MediaFoundationFramesDelivered(const MediaFoundationVideo* video);

// True once for each end of the video since the last call, with *completed true at the end
// of its stream (the reader thread then waits for a rewind or the stop) and false when it
// could not be read any further (a failed read, the reader's error, a picture format this
// program does not convert, a failed rewind): the thread then reads nothing more.
bool TakeMediaFoundationVideoEnd(MediaFoundationVideo* video, bool* completed);

// Starts the video again from its beginning, with its clock, as soon as the reader thread
// is back from the platform: a frame waited for is dropped, a video at its end plays again.
// No rewind is left waiting for a later end. A video that could not be read any further is
// not started again; its broken end is reported once more instead.
void RewindMediaFoundationVideo(MediaFoundationVideo* video);

// Stops the reader thread, waits for it for a few seconds at most and lets go of the video
// (null afterwards). A thread stuck inside the platform is left to end on its own; it frees
// what it holds then. Harmless on null.
void StopMediaFoundationVideo(MediaFoundationVideo*& video);

// Test seam: told of each read's outcome on the reader thread before it is acted on, and may
// change it, so that a test can make a file fail in its middle (the platform cannot be made
// to on demand). Null in the program.
extern void (*mediaFoundationSampleRead)(HRESULT* result, DWORD* flags);
