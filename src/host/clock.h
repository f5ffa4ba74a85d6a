#pragma once

#include <cstdint>

// A performance counter's reading in milliseconds, wrapping at 32 bits like every clock reading
// here. Whole seconds and the rest apart: counter × 1000 would leave 63 bits after 35 days of
// uptime on the 3 GHz counters of XP and Vista machines, and the clock would jump.
inline uint32_t CounterMilliseconds(uint64_t counter, uint64_t ticksPerSecond) {
    return static_cast<uint32_t>(counter / ticksPerSecond * 1000 +
                                 counter % ticksPerSecond * 1000 / ticksPerSecond);
}

// Milliseconds from one reading to a later one. On some multi-core machines of the XP era one
// core's counter lags another's, so the later reading may be a little smaller: a difference of
// half the range or more is such a step back, not 24 days, and counts as none.
inline uint32_t ElapsedMilliseconds(uint32_t start, uint32_t now) {
    const uint32_t elapsed = now - start;
    return elapsed >= 0x80000000u ? 0 : elapsed;
}
