// A walk over the top-level boxes of an MP4 or QuickTime file before the file is handed to
// the system's decoders: a file that ends inside a box header, or before its index (the
// movie box) is whole, is left out at once rather than trusted to every parser on the
// machine (one of them waits forever, now and then, for such files). Portable; called on
// the thread that builds a video graph.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

enum class IsoClaim {
  NotIso,      // the first box is none of the top-level boxes such files start with
  Plausible,   // a whole movie box, and boxes that fit the file (the media data may be cut)
  Incomplete,  // a box header that is broken or cut, or no whole movie box in the file
};

// Reads up to `size` bytes at `offset` into `buffer`; the number of bytes read.
using ReadAt = std::function<std::size_t(uint64_t offset, uint8_t* buffer, std::size_t size)>;

// Walks the boxes of a file of `fileSize` bytes, reading only their headers.
IsoClaim ProbeIsoBoxes(const ReadAt& read, uint64_t fileSize);
