#include "platform/priority.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavrik {
namespace {

// What the probe says in a child process that runs as an ordinary user without a real-time
// limit: exit status 1 for available, 0 for not, 2 when the child could not be set up.
int ProbeAsOrdinaryUser()
{
    const pid_t child = fork();
    if (child == 0) {
        const rlimit none{0, 0};
        if (setrlimit(RLIMIT_RTPRIO, &none) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(2);
        _exit(SchedulerPriority().realtimeAvailable() ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 2;
}

TEST(SchedulerPriorityTest, TellsWhetherRealTimeSchedulingWouldBeGranted)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can become an ordinary user for the probe";
    EXPECT_EQ(ProbeAsOrdinaryUser(), 0);
    // Root may schedule in real time (unless a container took that away); the probe leaves
    // the thread's scheduling as it found it either way.
    SchedulerPriority priority;
    priority.realtimeAvailable();
    EXPECT_EQ(sched_getscheduler(0), SCHED_OTHER);
}

} // namespace
} // namespace tavrik
