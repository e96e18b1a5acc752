#include "platform/clock.h"

#include <cerrno>
#include <ctime>

#include <sched.h>

namespace tavrik {

std::int64_t MonotonicClock::counter()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

void MonotonicClock::yieldThread()
{
    sched_yield();
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
