// The second way to play a file: a Media Foundation source reader, for the files that the
// desktop DirectShow has no splitter for (MP4, MOV, MKV, WMV on Windows 7 and later). The
// libraries are looked up at run time, so the program still starts where they are missing.
//
// Threads: start, end polling, rewind and stop run on the main thread (inside the video
// graph's operations); a reader thread of this file's own decodes the frames, waits for
// their presentation times and writes them into videoTexture while the main thread draws.
#pragma once

#include <windows.h>

// Starts the reader thread, which opens the file and picks a decoded format this program
// converts itself, then shows the frames; the first one reaches videoTexture at once. S_OK
// when it plays; a failure code when Media Foundation is missing or cannot read or decode
// the file, or has not opened it within mediaFoundationOpenLimitMs (nothing is left behind
// then). Needs videoTexture and the frame surface, and nothing else playing.
HRESULT StartMediaFoundationVideo(const char* path);

// How long a start waits for the file to be opened (15 s; tests shorten it).
extern DWORD mediaFoundationOpenLimitMs;

// Whether a video started by StartMediaFoundationVideo is held.
bool MediaFoundationVideoHeld();

// Frames drawn into videoTexture since the video started (for the benchmarks).
long MediaFoundationFramesShown();

// True once for each time the video has reached its end (or could not be read any further)
// since the last call; the reader thread then waits for a rewind or the stop.
bool TakeMediaFoundationVideoEnd();

// Starts the video again from its beginning, with its clock.
void RewindMediaFoundationVideo();

// Stops the reader thread and waits for it to free the reader; no frame reaches videoTexture
// after this returns. A thread stuck inside the platform for more than a few seconds is left
// to end on its own. Harmless when nothing is held.
void StopMediaFoundationVideo();
