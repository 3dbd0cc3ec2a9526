// One video file tried, and played when it plays, by a thread of its own: the thread opens
// and probes the file, builds and starts its graph (or Media Foundation reader), waits for
// the first frame, then plays it until it is let go of, and finally stops and frees it. So
// the main thread never waits on a file, a graph or a reader: it starts tries, reads their
// answers, shows one and lets go of them, each without waiting.
//
// Threads: every function here is called on the main thread; the try's thread owns the
// graph. A try is shared by both; whichever lets go last frees it, so that a thread stuck
// in a read is simply left behind (it frees what it holds when it comes back, and the frame
// surface takes nothing from it once it is no longer shown).
#pragma once

#include <windows.h>

#include <vector>

#include "shell/video_folders.h"
#include "video/frame_surface_win.h"

struct VideoTry;

// Listed: the path named a folder, and its video files are listed (TakeVideoTryListing).
enum class VideoTryState : LONG { Trying, Playing, Failed, Listed };

// How a try's file is found: as given, or by its bare name in the program's own folder or the
// system folder (never in the current folder, which anyone may have chosen).
enum class VideoTryPath { AsGiven, ProgramFolder, SystemFolder };

// Starts a try of `path`; never waits. Null when no thread could be started. With `thread`,
// the caller gets the try thread's handle to close (it is signalled once the thread has
// ended, which may be long after the try was dropped: a read may hold it).
// A path as given that names a folder is listed instead (ListVideoFolder), on the thread.
VideoTry* StartVideoTry(const char* path, VideoTryPath how = VideoTryPath::AsGiven, HANDLE* thread = nullptr);

// Starts a try of a file that a folder's listing gave, by its wide path.
VideoTry* StartListedVideoTry(const NameText& path, HANDLE* thread = nullptr);

// The listing of a try whose state is Listed (taken once; false for any other try).
bool TakeVideoTryListing(VideoTry* video, std::vector<NameText>* files);

// Trying; Playing once the first frame has arrived (hidden until shown); Failed, for good.
VideoTryState VideoTryStateOf(const VideoTry* video);

// The code the build failed with (S_OK while trying or playing).
HRESULT VideoTryResult(const VideoTry* video);

// The try's frames reach the texture from now on (ShowFrameProducer).
void ShowVideoTry(VideoTry* video);

// True once for each end of the video since the last call, with *completed true for the
// end of its stream and false for an error or abort that stopped it.
bool TakeVideoTryEnd(VideoTry* video, bool* completed);

// Starts the video again from its beginning (done by its thread).
void RewindVideoTry(VideoTry* video);

// Frames that reached the renderer since the build, shown or not.
long VideoTryFramesDelivered(const VideoTry* video);

// Asks the thread to stop and free the video, and lets go of it (null afterwards); never
// waits. A shown video is hidden first, so that its picture stays as it last was.
void DropVideoTry(VideoTry*& video);
