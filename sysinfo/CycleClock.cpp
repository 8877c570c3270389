#include "CycleClock.h"

#include <pthread.h>
#include <sched.h>
#include <time.h>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#define JW_HAVE_TSC 1
#endif

namespace sysinfo {

// Microsecond ticks: a pass of 1000 ticks then lasts a millisecond, long enough for a cycle
// count accurate to a tenth of a percent, and at most 20 passes keep the whole measurement
// well under a tenth of a second.
std::uint64_t HardwareClock::counterFrequency()
{
#ifdef JW_HAVE_TSC
    return 1000000;
#else
    return 0;
#endif
}

std::uint64_t HardwareClock::counter()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC_RAW, &ts);
    return std::uint64_t(ts.tv_sec) * 1000000u + std::uint64_t(ts.tv_nsec) / 1000u;
}

std::uint64_t HardwareClock::cycles()
{
#ifdef JW_HAVE_TSC
    return __rdtsc();
#else
    return 0;
#endif
}

// Real-time priority needs a privilege most users lack; then the pass runs at normal priority.
void HardwareClock::raisePriority()
{
    sched_param param{};
    int policy = 0;
    if (pthread_getschedparam(pthread_self(), &policy, &param) != 0)
        return;
    savedPolicy_ = policy;
    savedPriority_ = param.sched_priority;
    sched_param raised{};
    raised.sched_priority = sched_get_priority_max(SCHED_FIFO);
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &raised) != 0)
        savedPolicy_ = -1;
}

void HardwareClock::restorePriority()
{
    if (savedPolicy_ < 0)
        return;
    sched_param param{};
    param.sched_priority = savedPriority_;
    pthread_setschedparam(pthread_self(), savedPolicy_, &param);
    savedPolicy_ = -1;
}

} // namespace sysinfo
