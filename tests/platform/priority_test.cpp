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

class FakePriority final : public TimingPriority {
public:
    FakePriority(bool realtime, RealtimeAdvice advice) : realtime_(realtime), advice_(advice) {}
    void raise() override {}
    void restore() override {}
    bool realtimeAvailable() const override { return realtime_; }
    RealtimeAdvice realtimeAdvice() const override { return advice_; }

private:
    bool realtime_;
    RealtimeAdvice advice_;
};

TEST(TimingLineTest, SaysWhatTheOperatorCanDoAboutNormalPriority)
{
    const struct {
        bool groupExists, sessionHasGroup, userInGroup, realtime;
        const char* line;
    } cases[] = {
        {true, false, false, false, "Timing: normal priority (join group audio, see README)"},
        {true, false, true, false, "Timing: normal priority (log in again for group audio)"},
        // In the group already: the limit itself is missing, which the README explains.
        {true, true, true, false, "Timing: normal priority (see README)"},
        {false, false, false, false, "Timing: normal priority (see README)"},
        {true, false, false, true, "Timing: real-time priority"},
    };
    for (const auto& c : cases) {
        const FakePriority priority(c.realtime, AdviceFor(c.groupExists, c.sessionHasGroup, c.userInGroup));
        EXPECT_STREQ(TimingLineText(priority), c.line)
            << c.groupExists << c.sessionHasGroup << c.userInGroup << c.realtime;
    }
}

} // namespace
} // namespace tavrik
