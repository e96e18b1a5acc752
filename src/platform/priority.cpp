#include "platform/priority.h"

#include <cerrno>
#include <string>
#include <vector>

#include <grp.h>
#include <pwd.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace tavrik {
namespace {

// A middle real-time priority: above every normal task, below the kernel's own threads.
int FifoPriority()
{
    return sched_get_priority_min(SCHED_FIFO) + 40;
}

} // namespace

RealtimeAdvice AdviceFor(bool audioGroupExists, bool sessionHasAudio, bool userInAudio)
{
    if (!audioGroupExists || sessionHasAudio)
        return RealtimeAdvice::SeeReadme;
    return userInAudio ? RealtimeAdvice::LogInAgain : RealtimeAdvice::JoinAudioGroup;
}

const char* TimingLineText(const TimingPriority& priority)
{
    if (priority.realtimeAvailable())
        return "Timing: real-time priority";
    switch (priority.realtimeAdvice()) {
    case RealtimeAdvice::JoinAudioGroup:
        return "Timing: normal priority (join group audio, see README)";
    case RealtimeAdvice::LogInAgain:
        return "Timing: normal priority (log in again for group audio)";
    case RealtimeAdvice::SeeReadme:
        break;
    }
    return "Timing: normal priority (see README)";
}

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

RealtimeAdvice SchedulerPriority::realtimeAdvice() const
{
    const passwd* user = ::getpwuid(::getuid());
    const gid_t userGroup = user ? user->pw_gid : static_cast<gid_t>(-1);
    const std::string userName = user ? user->pw_name : "";
    const group* audio = ::getgrnam("audio");
    if (!audio)
        return AdviceFor(false, false, false);
    const gid_t audioGid = audio->gr_gid;
    bool userInAudio = userGroup == audioGid;
    for (char** member = audio->gr_mem; member && *member && !userInAudio; ++member)
        userInAudio = userName == *member;

    bool sessionHasAudio = ::getegid() == audioGid;
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(count > 0 ? count : 0);
    if (count > 0 && ::getgroups(count, groups.data()) == count) {
        for (gid_t gid : groups)
            sessionHasAudio = sessionHasAudio || gid == audioGid;
    }
    return AdviceFor(true, sessionHasAudio, userInAudio);
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
