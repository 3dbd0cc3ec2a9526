// The walk over the top-level boxes of an MP4 or QuickTime file. Portable.
#include "video/iso_probe.h"

#include <cstring>

namespace {

// Fragmented files hold a pair of boxes per fragment; an hour of two-second fragments is
// 3600 of them. Past this many boxes the walk stops and leaves the file to the decoders.
constexpr int kMostBoxes = 100000;

uint32_t BigEndian32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

uint64_t BigEndian64(const uint8_t* p) { return uint64_t(BigEndian32(p)) << 32 | BigEndian32(p + 4); }

bool IsType(const uint8_t* header, const char* type) { return std::memcmp(header + 4, type, 4) == 0; }

bool StartsAFile(const uint8_t* header) {
  for (const char* type : {"ftyp", "moov", "mdat", "free", "skip", "wide", "pnot"}) {
    if (IsType(header, type)) return true;
  }
  return false;
}

}  // namespace

IsoClaim ProbeIsoBoxes(const ReadAt& read, uint64_t fileSize) {
  if (fileSize < 8) return IsoClaim::NotIso;  // not even one box header
  uint8_t header[16];
  uint64_t offset = 0;
  bool movieSeen = false;
  for (int box = 0; box < kMostBoxes && offset < fileSize; ++box) {
    const std::size_t got = read(offset, header, sizeof header);
    if (box == 0 && (got < 8 || !StartsAFile(header))) return IsoClaim::NotIso;
    if (got < 8) return IsoClaim::Incomplete;
    uint64_t size = BigEndian32(header);
    uint64_t headerSize = 8;
    if (size == 1) {  // the size follows as 64 bits
      if (got < 16) return IsoClaim::Incomplete;
      size = BigEndian64(header + 8);
      headerSize = 16;
    } else if (size == 0) {  // the box runs to the end of the file
      size = fileSize - offset;
    }
    if (size < headerSize) return IsoClaim::Incomplete;
    const bool fits = size <= fileSize - offset;
    if (IsType(header, "moov")) {
      if (!fits) return IsoClaim::Incomplete;
      movieSeen = true;
    }
    // Media data cut short still plays up to the cut, when the index came before it.
    if (!fits) return movieSeen && IsType(header, "mdat") ? IsoClaim::Plausible : IsoClaim::Incomplete;
    offset += size;
  }
  return movieSeen || offset < fileSize ? IsoClaim::Plausible : IsoClaim::Incomplete;
}
