#include "common/fixed_ms.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

TEST(FixedMs, ConvertsToTenThousandthsHalvesToEven)
{
    EXPECT_EQ(FixedMs::fromMs(60).ticks(), 600000);
    EXPECT_EQ(FixedMs::fromMs(0.00004).ticks(), 0);
    EXPECT_EQ(FixedMs::fromMs(-0.00016).ticks(), -2);
    EXPECT_EQ(FixedMs::fromMs(158.4).ticks(), 1584000);
    EXPECT_EQ((FixedMs::fromMs(180) - FixedMs::fromMs(0.0123)).ticks(), 1799877);
}

} // namespace
} // namespace tavrik
