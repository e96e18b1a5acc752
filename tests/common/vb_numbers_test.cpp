#include "common/vb_numbers.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavrik {
namespace {

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour)
{
    const struct { double in; std::int64_t out; } cases[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2},
        {121.7, 122}, {1395.35, 1395}, {2.4999, 2}, {2.5001, 3},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RoundHalfEven(c.in), c.out) << c.in;
}

TEST(LeadingNumber, ReadsTheNumericStartOfAText)
{
    const struct { const char* in; double out; } cases[] = {
        {"7.5ms", 7.5}, {"abc", 0}, {"", 0}, {"  42", 42}, {"-3.25x", -3.25}, {"1 2", 12},
        {"&H3BC", 956}, {"&hff", 255}, {"&O17", 15}, {"1e3", 1000}, {"12.", 12}, {".5", 0.5},
        {"5NN", 5}, {"41", 41}, {"###", 0},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(LeadingNumber(QString::fromUtf8(c.in)), c.out) << c.in;
}

TEST(StrictNumber, WantsTheWholeText)
{
    EXPECT_EQ(StrictNumber("1000"), 1000.0);
    EXPECT_EQ(StrictNumber(" 700.5 "), 700.5);
    EXPECT_EQ(StrictNumber("&H378"), 888.0);
    EXPECT_FALSE(StrictNumber("7.5ms"));
    EXPECT_FALSE(StrictNumber(""));
    EXPECT_FALSE(StrictNumber("abc"));
    EXPECT_FALSE(StrictNumber("1 2"));
}

TEST(IntegerConversions, RoundAndCheckTheirRange)
{
    EXPECT_EQ(ToInteger("2500"), std::int16_t{2500});
    EXPECT_EQ(ToInteger("2.5"), std::int16_t{2});
    EXPECT_EQ(ToInteger("-32768"), std::int16_t{-32768});
    EXPECT_FALSE(ToInteger("32768"));
    EXPECT_FALSE(ToInteger(""));
    EXPECT_EQ(ToLong("&H3BC"), 956);
    EXPECT_EQ(ToLong("888"), 888);
    EXPECT_EQ(ToLong("16711680"), 16711680);
    EXPECT_FALSE(ToLong("4294967296"));
    EXPECT_FALSE(ToLong("x"));
    EXPECT_EQ(WholeNumber("20"), std::int16_t{20});
    EXPECT_EQ(WholeNumber("20 WPM"), std::int16_t{20});
    EXPECT_EQ(WholeNumber("junk"), std::int16_t{0});
    EXPECT_FALSE(WholeNumber("99999"));
}

TEST(ToBoolean, TakesWordsInAnyCaseOrNumbers)
{
    EXPECT_EQ(ToBoolean("True"), true);
    EXPECT_EQ(ToBoolean("true"), true);
    EXPECT_EQ(ToBoolean("FALSE"), false);
    EXPECT_EQ(ToBoolean("1"), true);
    EXPECT_EQ(ToBoolean("0"), false);
    EXPECT_EQ(ToBoolean("-1"), true);
    EXPECT_FALSE(ToBoolean("yes"));
    EXPECT_FALSE(ToBoolean(""));
}

TEST(FormatNumber, FollowsDigitPlaceholders)
{
    const struct { double value; const char* pattern; const char* out; } cases[] = {
        {20, "##0", "20"}, {5, "##0", "5"}, {0, "##0", "0"}, {100, "##0", "100"}, {1234, "##0", "1234"},
        {41, "000", "041"}, {9, "000", "009"}, {1234, "000", "1234"}, {7, "#", "7"}, {0, "#", "0"},
        {1234567, "#,##0", "1,234,567"}, {3.14159, "0.00", "3.14"}, {2.5, "0.##", "2.5"}, {-12, "000", "-012"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatNumber(c.value, QString::fromUtf8(c.pattern)), QString::fromUtf8(c.out)) << c.pattern;
}

TEST(FormatNumber, RefusesWhatIsNotANumericPattern)
{
    for (const char* bad : {"", "abc", "Format", "0x", "$0", "##0 WPM", ",", ".", "0.00000000000000000000"})
        EXPECT_FALSE(FormatNumber(41, QString::fromUtf8(bad))) << bad;
}

} // namespace
} // namespace tavrik
