#include "platform/priority.h"

#include <cerrno>

#include <sched.h>
#include <sys/resource.h>

namespace tavrik {
namespace {

// A middle real-time priority: above every normal task, below the kernel's own threads.
int FifoPriority()
{
    return sched_get_priority_min(SCHED_FIFO) + 40;
}

} // namespace

void SchedulerPriority::raise()
{
    if (raised_)
        return;
    raised_ = true;
    realtime_ = false;
    niced_ = false;
    savedPolicy_ = sched_getscheduler(0);
    sched_param saved{};
    sched_getparam(0, &saved);
    savedPriority_ = saved.sched_priority;
    errno = 0;
    savedNice_ = getpriority(PRIO_PROCESS, 0);

    sched_param fifo{};
    fifo.sched_priority = FifoPriority();
    if (sched_setscheduler(0, SCHED_FIFO, &fifo) == 0) {
        realtime_ = true;
        return;
    }
    rlimit limit{};
    int best = -20;
    if (getrlimit(RLIMIT_NICE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        best = 20 - static_cast<int>(limit.rlim_cur);
    for (int nice = best; nice < savedNice_; ++nice) {
        if (setpriority(PRIO_PROCESS, 0, nice) == 0) {
            niced_ = true;
            break;
        }
    }
}

void SchedulerPriority::restore()
{
    if (!raised_)
        return;
    raised_ = false;
    if (realtime_) {
        sched_param param{};
        param.sched_priority = savedPriority_;
        sched_setscheduler(0, savedPolicy_, &param);
    }
    if (niced_)
        setpriority(PRIO_PROCESS, 0, savedNice_);
}

bool SchedulerPriority::realtimeAvailable() const
{
    const int policy = sched_getscheduler(0);
    sched_param saved{};
    sched_getparam(0, &saved);
    sched_param fifo{};
    fifo.sched_priority = FifoPriority();
    if (sched_setscheduler(0, SCHED_FIFO, &fifo) != 0)
        return false;
    sched_setscheduler(0, policy, &saved);
    return true;
}

const char* SchedulerPriority::lastRaiseDescription() const
{
    if (realtime_)
        return "SCHED_FIFO granted";
    if (niced_)
        return "SCHED_FIFO refused, nice raised";
    return "SCHED_FIFO refused, nice unchanged";
}

} // namespace tavrik
