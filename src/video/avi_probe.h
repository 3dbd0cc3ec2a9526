// A look at the headers of an AVI file before the file is handed to the system's decoders:
// a file whose video stream claims a picture larger than any the renderer takes, or a file
// that ends before its headers do or before its first frame, is left out at once rather
// than trusted to every splitter on the machine (one of them waits forever, now and then,
// for such files). Portable; called on the thread that builds a video graph.
#pragma once

#include <cstddef>
#include <cstdint>

// How many bytes from the start of a file ProbeAviHeader wants to see: the headers of any
// usual AVI file end well before.
constexpr std::size_t kAviProbeBytes = 64 * 1024;

enum class AviClaim {
  NotAvi,       // no RIFF AVI file: the decoders decide
  Plausible,    // AVI headers that claim nothing out of range (or that end early)
  Implausible,  // a main header or video stream format claims a side beyond kLargestVideoSide,
                // or a video stream format a width or height of 0 or less
  Incomplete,   // only when the bytes are the whole file: it ends inside its header list,
                // or before the frames' list holds the header of one chunk
};

// Reads the RIFF headers in the first `size` bytes of a file; never reads past them.
// `wholeFile`: the bytes are all the file has (else a file that goes on past them is
// never called incomplete).
AviClaim ProbeAviHeader(const uint8_t* bytes, std::size_t size, bool wholeFile);
