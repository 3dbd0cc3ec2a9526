// Fuzz target: the look at an AVI file's headers, on any bytes. The sanitizers catch a read
// past the input; the answer must follow the file's first twelve bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_require.h"
#include "video/avi_probe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  // A copy of exactly `size` bytes, so that any read past them is a heap overflow.
  const std::vector<uint8_t> bytes(data, data + size);
  const AviClaim claim = ProbeAviHeader(bytes.data(), bytes.size());
  const bool avi = size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "AVI ", 4) == 0;
  Require((claim == AviClaim::NotAvi) == !avi, "NotAvi exactly for a file without a RIFF AVI header");
  return 0;
}
