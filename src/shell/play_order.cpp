// The play-list order of the run loop. Main thread only.
#include "shell/play_order.h"

uint32_t NextPlayableEntry(uint32_t current, uint32_t count, const std::function<bool(uint32_t)>& tryEntry) {
  if (count == 0) return 0;
  if (current > count) current = count;
  for (uint32_t step = 1; step <= count; ++step) {
    const uint32_t entry = (current + step - 1) % count + 1;
    if (tryEntry(entry)) return entry;
  }
  return 0;
}
