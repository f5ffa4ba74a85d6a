#include <gtest/gtest.h>

#include "host/clock.h"

namespace {

// A second reads as 1000 ms at every counter value, also across the points where counter × 1000
// would leave 63 and 64 bits: 35 and 71 days of uptime at 3 GHz.
TEST(CounterMilliseconds, ASecondIsAThousandMillisecondsAtAnyUptime) {
    constexpr uint64_t kHertz = 3000000000;
    for (uint64_t counter : {kHertz, (uint64_t{1} << 63) / 1000, ~uint64_t{0} / 1000}) {
        counter -= kHertz / 2;
        EXPECT_EQ(
            CounterMilliseconds(counter + kHertz, kHertz) - CounterMilliseconds(counter, kHertz),
            1000u)
            << counter;
    }
}

}  // namespace
