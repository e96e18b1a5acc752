#include "keyer/element_timing.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

TEST(DotMsFromWpm, MakesParisTakeOneMinute)
{
    const TimingRatios standard;
    const struct { std::int16_t wpm; std::int32_t dot; } cases[] = {
        {1, 1395}, {10, 122}, {20, 60}, {25, 48}, {40, 30}, {50, 24}, {60, 24}, {0, 24}, {-5, 24}, {32767, 24},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DotMsFromWpm(c.wpm, standard), c.dot) << c.wpm;
}

TEST(DotMsFromWpm, FollowsTheRatios)
{
    // (4*3.5 + 19 + 4*3 + 7) * 20 - 7 = 1033 units: 58.08 ms
    EXPECT_EQ(DotMsFromWpm(20, TimingRatios{3.5, 3, 7}), 58);
    // units 0: the division fails and the floor applies
    EXPECT_EQ(DotMsFromWpm(1, TimingRatios{0, -4.75, 0}), 24);
}

} // namespace
} // namespace tavrik
