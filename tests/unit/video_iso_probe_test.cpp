// The walk over an MP4 file's top-level boxes before the decoders see it: files laid out as
// ffmpeg writes them (index first or last), cut at every kind of place, and boxes that lie
// about their sizes.
#include "video/iso_probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// The eight bytes of a box header: the 32-bit size, then the type.
Bytes Header(const char* type, uint32_t size) {
  Bytes header{uint8_t(size >> 24), uint8_t(size >> 16), uint8_t(size >> 8), uint8_t(size), 0, 0, 0, 0};
  std::memcpy(header.data() + 4, type, 4);
  return header;
}

// A box of `size` bytes in all, its body filled with `fill`.
Bytes Box(const char* type, uint32_t size, uint8_t fill = 0) {
  Bytes box = Header(type, size);
  box.resize(std::max<uint32_t>(size, 8), fill);
  return box;
}

// A box whose size is in the 64-bit field after its type.
Bytes LargeBox(const char* type, uint64_t size) {
  Bytes box = Box(type, 1);
  box.resize(std::max<uint64_t>(size, 16), 0);
  for (int i = 0; i < 8; ++i) box[8 + i] = uint8_t(size >> (56 - 8 * i));
  return box;
}

Bytes Join(std::initializer_list<Bytes> boxes) {
  Bytes all;
  for (const Bytes& box : boxes) all.insert(all.end(), box.begin(), box.end());
  return all;
}

Bytes Cut(Bytes bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

IsoClaim Probe(const Bytes& file) {
  const ReadAt read = [&](uint64_t offset, uint8_t* buffer, std::size_t size) -> std::size_t {
    EXPECT_LT(offset, file.size()) << "a read at or past the end of the file";
    if (offset >= file.size()) return 0;
    const std::size_t count = std::min<std::size_t>(size, file.size() - offset);
    std::memcpy(buffer, file.data() + offset, count);
    return count;
  };
  return ProbeIsoBoxes(read, file.size());
}

const Bytes kType = Box("ftyp", 32);
const Bytes kMovie = Box("moov", 900, 0x55);
const Bytes kData = Box("mdat", 5000, 0xAA);
const Bytes kIndexFirst = Join({kType, kMovie, kData});
const Bytes kIndexLast = Join({kType, Box("free", 8), kData, kMovie});

TEST(IsoProbe, ClaimsForWholeCutAndLyingFiles) {
  const struct {
    const char* what;
    Bytes file;
    IsoClaim claim;
  } cases[] = {
      {"index first", kIndexFirst, IsoClaim::Plausible},
      {"index last", kIndexLast, IsoClaim::Plausible},
      {"QuickTime starting with its data", Join({Box("wide", 8), kData, kMovie}), IsoClaim::Plausible},
      {"index first, cut in the media data", Cut(kIndexFirst, kIndexFirst.size() - 1000), IsoClaim::Plausible},
      {"index first, cut in the index", Cut(kIndexFirst, 600), IsoClaim::Incomplete},
      {"index last, cut in the media data", Cut(kIndexLast, 3000), IsoClaim::Incomplete},
      {"index last, cut in the index", Cut(kIndexLast, kIndexLast.size() - 1), IsoClaim::Incomplete},
      {"cut inside a box header", Cut(kIndexFirst, kType.size() + 5), IsoClaim::Incomplete},
      {"only the type box", kType, IsoClaim::Incomplete},
      {"no index at all", Join({kType, kData}), IsoClaim::Incomplete},
      {"a box smaller than its header", Join({kType, Box("moov", 3), kData}), IsoClaim::Incomplete},
      {"an index claiming 4 GB", Join({kType, Header("moov", 0xFFFFFFFF), Bytes(100, 0)}), IsoClaim::Incomplete},
      {"64-bit media data size", Join({kType, kMovie, LargeBox("mdat", 4000)}), IsoClaim::Plausible},
      {"64-bit size below its header", Join({kType, kMovie, LargeBox("mdat", 9)}), IsoClaim::Incomplete},
      {"64-bit size cut before it", Cut(Join({kType, kMovie, LargeBox("mdat", 4000)}), 32 + 900 + 12),
       IsoClaim::Incomplete},
      {"media data to the end of the file", Join({kType, kMovie, Box("mdat", 0), Bytes(300, 1)}), IsoClaim::Plausible},
      {"AVI", Box("RIFF", 100), IsoClaim::NotIso},
      {"text", Bytes{'H', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}, IsoClaim::NotIso},
      {"seven bytes", Bytes(7, 0), IsoClaim::NotIso},
      {"empty", Bytes(), IsoClaim::NotIso},
  };
  for (const auto& c : cases) EXPECT_EQ(Probe(c.file), c.claim) << c.what;
}

// Every cut of a file with its index first: up to the end of the index it is incomplete,
// after it it plays what it has.
TEST(IsoProbe, EveryCutOfAnIndexFirstFile) {
  const std::size_t indexEnd = kType.size() + kMovie.size();
  for (std::size_t size = 8; size < kIndexFirst.size(); size += 7) {
    const IsoClaim wanted = size >= indexEnd + 8 || size == indexEnd ? IsoClaim::Plausible : IsoClaim::Incomplete;
    EXPECT_EQ(Probe(Cut(kIndexFirst, size)), wanted) << size << " bytes";
  }
}

}  // namespace
