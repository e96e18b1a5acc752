#pragma once

#include "platform/clock.h"

#include <cstdint>
#include <functional>

namespace tavrik::test {

// A counter at 10 MHz that moves only when the program looks at it, yields or sleeps, so a
// transmission is timed the same on every run and every machine.
class SimulatedClock final : public Clock {
public:
    static constexpr std::int64_t kFrequency = 10'000'000; // 0.1 microsecond a count

    explicit SimulatedClock(std::int64_t readCost = 10, std::int64_t yieldCost = 10'000)
        : readCost_(readCost), yieldCost_(yieldCost) {}

    std::int64_t counter() override
    {
        const std::int64_t value = now_;
        advance(readCost_);
        ++reads_;
        return value;
    }
    std::int64_t frequency() const override { return kFrequency; }
    void yieldThread() override { advance(yieldCost_); }
    void sleepMs(std::int64_t ms) override
    {
        sleptMs_ += ms;
        advance(ms * kFrequency / 1000);
    }

    // The current time without moving it: what a line recorder stamps an edge with.
    std::int64_t peek() const { return now_; }
    std::int64_t readCost() const { return readCost_; }
    std::int64_t reads() const { return reads_; }
    std::int64_t sleptMs() const { return sleptMs_; }
    static double toMs(std::int64_t counts) { return static_cast<double>(counts) * 1000.0 / kFrequency; }
    static std::int64_t fromMs(double ms) { return static_cast<std::int64_t>(ms * kFrequency / 1000.0 + 0.5); }

    // Runs once the clock reaches `at`; lets a test act at a moment inside a wait.
    void at(std::int64_t when, std::function<void()> action)
    {
        alarmAt_ = when;
        alarm_ = std::move(action);
    }

private:
    void advance(std::int64_t counts)
    {
        now_ += counts;
        if (alarm_ && now_ >= alarmAt_) {
            auto action = std::move(alarm_);
            alarm_ = nullptr;
            action();
        }
    }

    std::int64_t now_ = 1'000'000;
    std::int64_t readCost_;
    std::int64_t yieldCost_;
    std::int64_t reads_ = 0;
    std::int64_t sleptMs_ = 0;
    std::int64_t alarmAt_ = 0;
    std::function<void()> alarm_;
};

} // namespace tavrik::test
