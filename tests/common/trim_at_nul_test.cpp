#include "common/trim_at_nul.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

TEST(TrimAtNul, KeepsWhatStandsBeforeTheFirstNul)
{
    const QChar nul(u'\0');
    const struct { QString in; QString out; } cases[] = {
        {QStringLiteral("K1ABC") + nul + QStringLiteral("   "), QStringLiteral("K1ABC")},
        {QStringLiteral("   W1XYZ") + nul, QStringLiteral("W1XYZ")},
        {QString(64, u'A'), QString()},                               // no NUL at all
        {nul + QStringLiteral("JOHN"), QString()},                    // NUL first
        {QStringLiteral("  ") + nul + QStringLiteral("X"), QString()}, // blanks then NUL
        {QStringLiteral("A B") + nul + QStringLiteral("C") + nul, QStringLiteral("A B")},
        {QString(), QString()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TrimAtNul(c.in), c.out);
}

} // namespace
} // namespace tavrik
