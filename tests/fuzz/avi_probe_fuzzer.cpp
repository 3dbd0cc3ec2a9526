// Fuzz target: the look at an AVI file's headers, on any bytes. The sanitizers catch a read
// past the input; the answer must follow the file's first twelve bytes, and only a whole
// file can be incomplete.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_require.h"
#include "video/avi_probe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  // A copy of exactly `size` bytes, so that any read past them is a heap overflow.
  const std::vector<uint8_t> bytes(data, data + size);
  const AviClaim head = ProbeAviHeader(bytes.data(), bytes.size(), false);
  const AviClaim whole = ProbeAviHeader(bytes.data(), bytes.size(), true);
  const bool avi = size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "AVI ", 4) == 0;
  Require((head == AviClaim::NotAvi) == !avi, "NotAvi exactly for a file without a RIFF AVI header");
  Require(head != AviClaim::Incomplete, "a file that may go on is never called incomplete");
  Require(head == AviClaim::Plausible ? whole != AviClaim::Implausible && whole != AviClaim::NotAvi : whole == head,
          "knowing the bytes are the whole file changes only a plausible answer, and only to incomplete");
  return 0;
}
