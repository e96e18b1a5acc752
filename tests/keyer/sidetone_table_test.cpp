#include "keyer/sidetone_table.h"

#include <gtest/gtest.h>

#include <limits>
#include <utility>
#include <vector>

namespace tavrik {
namespace {

struct TableCase {
    double frequency;
    std::size_t samples;
    std::vector<std::pair<std::size_t, std::int16_t>> values; // sample index, expected value
};

TEST(SidetoneTable, HoldsFifteenHundredPeriodsOfTheRoundedPitch)
{
    const std::vector<TableCase> cases = {
        {1000, 33000, {{0, 0}, {1, 9211}, {5, 32418}, {11, 233}, {32999, -10767}}}, // period 22
        {300, 109500, {{3, 8311}}},                                                 // period 73
        {700, 46500, {{1, 6493}, {10, 29867}}},                                     // 31.5 rounded down to 31
        {1500, 21000, {{7, 4884}, {20999, -700}}},                                  // period 14
        // The period comes from 440 Hz, the samples from the unrounded pitch.
        {440.4, 75000, {{1, 4101}, {100, -560}}},
        // 1102.5 rounds to the even 1102 (period 20, not 19); sample 5 lies on the crest.
        {1102.5, 30000, {{5, 32767}}},
        {22050, 1500, {}},
    };
    for (const TableCase& c : cases) {
        SCOPED_TRACE(c.frequency);
        const std::vector<std::int16_t> table = SidetoneTable(c.frequency);
        ASSERT_EQ(table.size(), c.samples);
        for (const auto& [index, value] : c.values)
            EXPECT_EQ(table[index], value) << "sample " << index;
    }
}

TEST(SidetoneTable, PitchesThatCannotSoundGiveAnEmptyTable)
{
    for (const double f : {0.0, 0.5, -300.0, 22051.0, std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity()}) {
        EXPECT_TRUE(SidetoneTable(f).empty()) << f;
    }
    // 1.5 rounds to 2 Hz: the lowest pitches still sound.
    EXPECT_EQ(SidetoneTable(1.5).size(), 11025U * 1500U);
}

} // namespace
} // namespace tavrik
