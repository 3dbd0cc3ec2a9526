// RIFF walk over the AVI header lists. Portable.
#include "video/avi_probe.h"

#include <cstring>

#include "video/video_limits.h"

namespace {

uint32_t Word(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool IsTag(const uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

struct Walk {
  bool videoStream = false;  // the last stream header seen was of a video stream
  bool implausible = false;
  bool headersWhole = false;  // the top-level header list ends within the bytes
  bool aFrameBegins = false;  // the frames' list holds at least one chunk header
};

constexpr std::size_t kChunkHeader = 8;

// The chunks in [begin, end): the header lists are entered, nothing else (the frames'
// list 'movi' is never read). `depth` keeps a file of nested lists from going deep.
void WalkChunks(const uint8_t* begin, const uint8_t* end, int depth, Walk& walk) {
  const uint8_t* at = begin;
  while (!walk.implausible && end - at >= 8) {
    const uint32_t length = Word(at + 4);
    const uint8_t* body = at + 8;
    const std::size_t available = std::size_t(end - body);
    const std::size_t seen = length < available ? length : available;  // a cut chunk: what is there
    if (IsTag(at, "LIST") && available >= 4 && depth == 0 && IsTag(body, "movi")) {
      // What the file holds, not what the list claims: writers that cannot seek leave 0
      // there. Nothing after the frames matters here.
      walk.aFrameBegins = available >= 4 + kChunkHeader;
      return;
    }
    if (IsTag(at, "LIST") && seen >= 4 && depth < 3 && (IsTag(body, "hdrl") || IsTag(body, "strl"))) {
      WalkChunks(body + 4, body + seen, depth + 1, walk);
      if (depth == 0 && IsTag(body, "hdrl")) walk.headersWhole = length <= available;
    } else if (IsTag(at, "avih") && seen >= 40) {
      // dwWidth and dwHeight: 0 is common and means "see the streams".
      if (Word(body + 32) > uint32_t(kLargestVideoSide) || Word(body + 36) > uint32_t(kLargestVideoSide)) {
        walk.implausible = true;
      }
    } else if (IsTag(at, "strh") && seen >= 4) {
      walk.videoStream = IsTag(body, "vids");
    } else if (IsTag(at, "strf") && walk.videoStream && seen >= 12) {
      const int32_t width = int32_t(Word(body + 4));
      const int32_t height = int32_t(Word(body + 8));
      if (!IsAcceptedVideoSide(width) || !IsAcceptedVideoSide(Magnitude(height))) walk.implausible = true;
    }
    if (length > available) return;
    const std::size_t step = std::size_t(8) + length + (length & 1);
    if (step > std::size_t(end - at)) return;
    at += step;
  }
}

}  // namespace

AviClaim ProbeAviHeader(const uint8_t* bytes, std::size_t size, bool wholeFile) {
  if (bytes == nullptr || size < 12 || !IsTag(bytes, "RIFF") || !IsTag(bytes + 8, "AVI ")) return AviClaim::NotAvi;
  Walk walk;
  WalkChunks(bytes + 12, bytes + size, 0, walk);
  if (walk.implausible) return AviClaim::Implausible;
  if (wholeFile && !(walk.headersWhole && walk.aFrameBegins)) return AviClaim::Incomplete;
  return AviClaim::Plausible;
}
