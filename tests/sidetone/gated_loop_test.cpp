#include "platform/gated_loop.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace tavrik {
namespace {

std::vector<std::int16_t> Ramp(std::size_t n)
{
    std::vector<std::int16_t> table(n);
    std::iota(table.begin(), table.end(), std::int16_t{1});
    return table;
}

std::vector<std::int16_t> Render(GatedLoop& loop, std::size_t frames)
{
    std::vector<std::int16_t> out(frames, -1);
    loop.render(out.data(), frames);
    return out;
}

TEST(GatedLoop, SilentUntilTheGateOpensThenLoopsTheTable)
{
    GatedLoop loop(Ramp(4));
    EXPECT_EQ(Render(loop, 3), (std::vector<std::int16_t>{0, 0, 0}));
    loop.gateOn();
    EXPECT_EQ(Render(loop, 6), (std::vector<std::int16_t>{1, 2, 3, 4, 1, 2}));
    EXPECT_EQ(Render(loop, 3), (std::vector<std::int16_t>{3, 4, 1}));
    loop.gateOff();
    EXPECT_EQ(Render(loop, 2), (std::vector<std::int16_t>{0, 0}));
}

TEST(GatedLoop, EveryToneStartsAtTheFirstSample)
{
    GatedLoop loop(Ramp(5));
    loop.gateOn();
    Render(loop, 3);
    loop.gateOff();
    Render(loop, 1);
    loop.gateOn();
    EXPECT_EQ(Render(loop, 2), (std::vector<std::int16_t>{1, 2}));

    // Off and on again before the callback ran: still a new tone.
    loop.gateOff();
    loop.gateOn();
    EXPECT_EQ(Render(loop, 2), (std::vector<std::int16_t>{1, 2}));

    // A second gateOn is no new tone.
    loop.gateOn();
    EXPECT_EQ(Render(loop, 2), (std::vector<std::int16_t>{3, 4}));
}

TEST(GatedLoop, AnEmptyTablePlaysSilence)
{
    GatedLoop loop({});
    loop.gateOn();
    EXPECT_TRUE(loop.isGateOpen());
    EXPECT_EQ(Render(loop, 2), (std::vector<std::int16_t>{0, 0}));
}

} // namespace
} // namespace tavrik
