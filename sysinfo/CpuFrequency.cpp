#include "CpuFrequency.h"

#include "CycleClock.h"

#include <array>
#include <cstdlib>
#include <vector>

namespace sysinfo {

namespace {

std::uint64_t nearestDiv(std::uint64_t a, std::uint64_t b)
{
    return b == 0 ? 0 : (a + b / 2) / b;
}

// The last three passes agree when each, times three, is within 3 of their sum.
bool settled(const std::vector<int> &perPass)
{
    const std::size_t n = perPass.size();
    const long sum = long(perPass[n - 1]) + perPass[n - 2] + perPass[n - 3];
    for (std::size_t i = n - 3; i < n; ++i)
        if (std::labs(long(perPass[i]) * 3 - sum) > 3)
            return false;
    return true;
}

struct Pass {
    std::uint64_t microseconds;
    std::uint64_t cycles;
};

Pass measurePass(CycleClock &clock, std::uint64_t frequency)
{
    const std::uint64_t first = clock.counter();
    clock.raisePriority();
    std::uint64_t now, startCycles, endCycles;
    do {
        now = clock.counter();
        startCycles = clock.cycles();
    } while (now - first < 50);
    const std::uint64_t start = now;
    do {
        now = clock.counter();
        endCycles = clock.cycles();
    } while (now - start < 1000);
    clock.restorePriority();
    const std::uint64_t ticks = now - start;
    return {nearestDiv(ticks * 100000u, frequency / 10), endCycles - startCycles};
}

} // namespace

FrequencyResult MeasureFrequency(CycleClock &clock)
{
    FrequencyResult result;
    const std::uint64_t frequency = clock.counterFrequency();
    if (frequency < 10)
        return result;
    std::vector<int> perPass;
    while (perPass.size() < 3 || (perPass.size() < 20 && !settled(perPass))) {
        const Pass pass = measurePass(clock, frequency);
        perPass.push_back(int(nearestDiv(pass.cycles, pass.microseconds)));
        result.microseconds += pass.microseconds;
        result.cycles += pass.cycles;
    }
    result.passes = int(perPass.size());
    const std::uint64_t us = result.microseconds;
    std::uint64_t tenths = nearestDiv(result.cycles * 10, us);
    if (std::int64_t(nearestDiv(result.cycles * 100, us)) - std::int64_t(tenths * 10) > 5)
        ++tenths;
    result.rawMHz = int(nearestDiv(result.cycles, us));
    int mhz = result.rawMHz;
    if (std::int64_t(tenths) - std::int64_t(result.rawMHz) * 10 > 5)
        ++mhz;
    result.snappedMHz = SnapFrequency(mhz);
    return result;
}

int SnapFrequency(int mhz)
{
    static constexpr std::array<int, 9> endings{0, 20, 33, 50, 60, 66, 80, 90, 100};
    const int r = mhz % 100;
    std::size_t upper = 1;
    while (upper < endings.size() - 1 && endings[upper] <= r)
        ++upper;
    const int high = endings[upper], low = endings[upper - 1];
    const int ending = (r - low < high - r) ? low : high;
    return mhz - r + ending;
}

} // namespace sysinfo
