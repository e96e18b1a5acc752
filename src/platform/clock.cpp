#include "platform/clock.h"

#include <cerrno>
#include <ctime>


namespace tavrik {

std::int64_t MonotonicClock::counter()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

void MonotonicClock::yieldThread()
{
    // A short sleep rather than sched_yield: a real-time thread that never sleeps is throttled
    // by the kernel for tens of milliseconds each second, and a yield gives nothing to the
    // normal-priority tasks anyway. Waits yield only while more than 20 ms remain, so the
    // wake-up latency never reaches an edge.
    const timespec request{0, 1'000'000};
    nanosleep(&request, nullptr);
}

void MonotonicClock::sleepMs(std::int64_t ms)
{
    if (ms <= 0)
        return;
    timespec request{static_cast<time_t>(ms / 1000), static_cast<long>((ms % 1000) * 1'000'000)};
    timespec remaining{};
    while (nanosleep(&request, &remaining) != 0 && errno == EINTR)
        request = remaining;
}

} // namespace tavrik
