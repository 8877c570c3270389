#pragma once

#include <cstdint>

namespace sysinfo {

class CycleClock;

// The outcome of a measurement; all zero without a performance counter.
struct FrequencyResult {
    int rawMHz = 0;
    int snappedMHz = 0;
    std::uint64_t cycles = 0;
    std::uint64_t microseconds = 0;
    int passes = 0;
};

// Measures the clock frequency in passes of at least 1000 counter ticks, 3 to 20 of them until
// the last three agree, and snaps the result to a nominal value.
FrequencyResult MeasureFrequency(CycleClock &clock);

// The nominal frequency nearest to `mhz`: its last two digits become the nearest of 0, 20, 33,
// 50, 60, 66, 80, 90 and 100 (1997 -> 2000, 451 -> 450, 334 -> 333).
int SnapFrequency(int mhz);

} // namespace sysinfo
