#pragma once

#include <cstdint>

namespace tavrik {

// The high-resolution counter the keyer times every element on, with the two ways a wait
// may give the processor away.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t counter() = 0;
    virtual std::int64_t frequency() const = 0;
    // Gives the processor away for a moment; only used while a wait has far to go.
    virtual void yieldThread() = 0;
    // A blocking sleep: the window processes nothing while it lasts.
    virtual void sleepMs(std::int64_t ms) = 0;
};

// Elapsed milliseconds between two counter readings, in double precision.
inline double ElapsedMs(std::int64_t start, std::int64_t now, std::int64_t frequency)
{
    return static_cast<double>(now - start) / static_cast<double>(frequency) * 1000.0;
}

// CLOCK_MONOTONIC in nanoseconds.
class MonotonicClock final : public Clock {
public:
    std::int64_t counter() override;
    std::int64_t frequency() const override { return 1'000'000'000; }
    void yieldThread() override;
    void sleepMs(std::int64_t ms) override;
};

} // namespace tavrik
