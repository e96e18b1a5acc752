#pragma once

#include <compare>
#include <cstdint>

namespace tavrik {

// Milliseconds held as a whole number of ten-thousandths of a millisecond, so that gaps
// computed from fractional ratios keep four decimals and never drift through float sums.
class FixedMs {
public:
    static constexpr std::int64_t kTicksPerMs = 10000;

    constexpr FixedMs() = default;
    // Rounds to the nearest ten-thousandth, halves to the even neighbour.
    static FixedMs fromMs(double ms);

    constexpr std::int64_t ticks() const { return ticks_; }
    constexpr double toMs() const { return static_cast<double>(ticks_) / kTicksPerMs; }

    constexpr FixedMs operator+(FixedMs o) const { return FixedMs(ticks_ + o.ticks_); }
    constexpr FixedMs operator-(FixedMs o) const { return FixedMs(ticks_ - o.ticks_); }
    constexpr auto operator<=>(const FixedMs&) const = default;

private:
    constexpr explicit FixedMs(std::int64_t ticks) : ticks_(ticks) {}
    std::int64_t ticks_ = 0;
};

} // namespace tavrik
