// Frames that reached the texture: every S_OK of DrawPictureIntoTexture in the benchmark's
// process, whichever way the video plays (the DirectShow renderer and the Media Foundation
// reader both draw through it). Counted on the producers' threads, read on any.
//
// The count sits between the platform layer and the frame surface at link time (the
// benchmark is linked with --wrap of DrawPictureIntoTexture, bench/CMakeLists.txt): the
// renderer's own count is of the samples handed to it, refused ones included, and the
// reader's counts a frame of a producer not shown as delivered.
#pragma once

// Frames drawn into the texture since the process started.
long FramesDrawn();
