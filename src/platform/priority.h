#pragma once

namespace tavrik {

// What an operator without real-time priority can do about it. The package grants it to the
// members of group audio.
enum class RealtimeAdvice {
    SeeReadme,      // no group audio, or one already held that grants nothing: set a limit
    JoinAudioGroup,
    LogInAgain,     // a member since this session began: the group applies from the next login
};
RealtimeAdvice AdviceFor(bool audioGroupExists, bool sessionHasAudio, bool userInAudio);

// Raised while a transmission is open so the element timing is not pre-empted.
class TimingPriority {
public:
    virtual ~TimingPriority() = default;
    virtual void raise() = 0;
    virtual void restore() = 0;
    // Whether a raise would get real-time scheduling, for the operator to see.
    virtual bool realtimeAvailable() const = 0;
    // A priority that cannot tell leaves it to the README.
    virtual RealtimeAdvice realtimeAdvice() const { return RealtimeAdvice::SeeReadme; }
};

// The Ver menu's line: which timing this run gets and, without real-time priority, what to do.
const char* TimingLineText(const TimingPriority& priority);

// SCHED_FIFO when the process may have it (RLIMIT_RTPRIO or CAP_SYS_NICE), otherwise the
// best nice value allowed. Never fails loudly: timing is only less exact without it.
class SchedulerPriority final : public TimingPriority {
public:
    void raise() override;
    void restore() override;
    // Tries real-time scheduling on this thread and puts the old back at once.
    bool realtimeAvailable() const override;
    // From this process's groups and the group database.
    RealtimeAdvice realtimeAdvice() const override;
    bool realtimeGranted() const { return realtime_; }
    // What the last raise achieved, in words, for the benchmarks.
    const char* lastRaiseDescription() const;

private:
    bool raised_ = false;
    bool realtime_ = false;
    bool niced_ = false;
    int savedPolicy_ = 0;
    int savedPriority_ = 0;
    int savedNice_ = 0;
};

} // namespace tavrik
