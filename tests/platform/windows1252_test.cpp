#include "platform/windows1252.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

// The code page's characters at 0x80 to 0x9F, written out from the published table; the
// five codes it leaves undefined map to the control character of the same number.
constexpr char16_t kExpectedHigh[32] = {
    u'€', 0x0081, u'‚', u'ƒ', u'„', u'…', u'†', u'‡', u'ˆ', u'‰', u'Š', u'‹', u'Œ', 0x008D, u'Ž', 0x008F,
    0x0090, u'‘', u'’', u'“', u'”', u'•', u'–', u'—', u'˜', u'™', u'š', u'›', u'œ', 0x009D, u'ž', u'Ÿ',
};

char16_t ExpectedCharacter(int byte)
{
    return byte >= 0x80 && byte < 0xA0 ? kExpectedHigh[byte - 0x80] : static_cast<char16_t>(byte);
}

TEST(Windows1252, EveryByteMapsToItsCharacterAndBack)
{
    for (int byte = 0; byte < 256; ++byte) {
        const QByteArray one(1, static_cast<char>(byte));
        const QString decoded = FromWindows1252(one);
        ASSERT_EQ(decoded.size(), 1) << byte;
        EXPECT_EQ(decoded.at(0).unicode(), ExpectedCharacter(byte)) << "byte " << byte;
        EXPECT_EQ(Windows1252Code(decoded.at(0)), byte) << "byte " << byte;
        EXPECT_EQ(ToWindows1252(decoded), one) << "byte " << byte;
    }
}

TEST(Windows1252, CharactersOutsideThePageBecomeQuestionMarks)
{
    // The C1 controls whose numbers the page gives to printable characters have no byte:
    // writing U+0080 as 0x80 would read back as the euro sign.
    for (char16_t u = 0x80; u < 0xA0; ++u) {
        const bool ownByte = u == 0x81 || u == 0x8D || u == 0x8F || u == 0x90 || u == 0x9D;
        EXPECT_EQ(Windows1252Code(QChar(u)), ownByte ? int(u) : -1) << int(u);
    }
    // An upper-cased ÿ is Ÿ, which the page holds at 0x9F.
    const QString text = QString::fromUtf8("Ж") + QChar(0x0080) + QString::fromUtf8("ÿ").toUpper();
    EXPECT_EQ(ToWindows1252(text), QByteArray("??\x9F"));
}

TEST(Windows1252, TellsUtf8FromOtherBytes)
{
    EXPECT_TRUE(IsValidUtf8(QByteArray("plain ascii")));
    EXPECT_TRUE(IsValidUtf8(QString::fromUtf8("Åsa »").toUtf8()));
    EXPECT_FALSE(IsValidUtf8(QByteArray("\xc5sa", 3)));
}

} // namespace
} // namespace tavrik
