// Which play-list entry plays next, and when a play list with no playable entry left is
// tried again. Main thread only (the run loop).
#pragma once

#include <cstdint>
#include <functional>

// Tries the entries after `current` (1-based) in play-list order, wrapping after `count` and
// ending with `current` itself, each at most once, until `tryEntry` can start one. Returns
// that entry, or 0 when none started (or the list is empty). `current` 0 starts at entry 1.
uint32_t NextPlayableEntry(uint32_t current, uint32_t count, const std::function<bool(uint32_t)>& tryEntry);

// While no entry plays, the play list is tried again at most this often.
constexpr uint32_t kStalledRetryMs = 1000;

// Whether a stalled play list is due for another try at `nowMs`, the last try having been at
// `lastTryMs` (millisecond ticks that wrap around).
inline bool StalledRetryDue(uint32_t nowMs, uint32_t lastTryMs) { return nowMs - lastTryMs >= kStalledRetryMs; }
