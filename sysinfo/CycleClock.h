#pragma once

#include <cstdint>

namespace sysinfo {

// The two clocks the frequency measurement compares: a performance counter of known frequency
// and the processor's cycle counter. Tests feed recorded or synthetic readings.
class CycleClock {
public:
    virtual ~CycleClock() = default;
    // Ticks per second of counter(); 0 when there is no such counter.
    virtual std::uint64_t counterFrequency() = 0;
    virtual std::uint64_t counter() = 0;
    virtual std::uint64_t cycles() = 0;
    // Raise the calling thread's priority for a pass and put it back; may do nothing.
    virtual void raisePriority() {}
    virtual void restorePriority() {}
};

// The monotonic clock in microsecond ticks and the time-stamp counter. Without a time-stamp
// counter (off x86) the counter frequency is 0, so nothing is measured.
class HardwareClock : public CycleClock {
public:
    std::uint64_t counterFrequency() override;
    std::uint64_t counter() override;
    std::uint64_t cycles() override;
    void raisePriority() override;
    void restorePriority() override;

private:
    int savedPolicy_ = -1;
    int savedPriority_ = 0;
};

} // namespace sysinfo
