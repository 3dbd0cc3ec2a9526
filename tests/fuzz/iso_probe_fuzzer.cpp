// Fuzz target: the walk over an MP4 file's boxes, on any bytes. The reader refuses a read
// outside the file; the answer must follow the file's first box.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_require.h"
#include "video/iso_probe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  const ReadAt read = [&](uint64_t offset, uint8_t* buffer, std::size_t count) -> std::size_t {
    Require(offset < bytes.size(), "no read at or past the end of the file");
    const std::size_t got = offset + count > bytes.size() ? bytes.size() - offset : count;
    std::memcpy(buffer, bytes.data() + offset, got);
    return got;
  };
  const IsoClaim claim = ProbeIsoBoxes(read, bytes.size());
  bool known = false;
  for (const char* type : {"ftyp", "moov", "mdat", "free", "skip", "wide", "pnot"})
    known = known || (size >= 8 && std::memcmp(data + 4, type, 4) == 0);
  Require((claim == IsoClaim::NotIso) == !known, "NotIso exactly for a file without a known first box");
  return 0;
}
