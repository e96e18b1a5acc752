#include "keyer/morse.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

constexpr std::uint16_t kUsEnglish = 0x0409;
constexpr std::uint16_t kSwedish = 0x041D;

TEST(MorseForChar, CoversTheWholeTable)
{
    const char* const letters[] = {".-",   "-...", "-.-.", "-..",  ".",    "..-.", "--.",  "....", "..",
                                   ".---", "-.-",  ".-..", "--",   "-.",   "---",  ".--.", "--.-", ".-.",
                                   "...",  "-",    "..-",  "...-", ".--",  "-..-", "-.--", "--.."};
    for (int i = 0; i < 26; ++i) {
        const QString upper(QChar(u'A' + i));
        EXPECT_EQ(MorseForChar(upper, kUsEnglish), QLatin1String(letters[i])) << i;
        EXPECT_EQ(MorseForChar(upper.toLower(), kUsEnglish), QLatin1String(letters[i])) << i;
    }
    const char* const digits[] = {"-----", ".----", "..---", "...--", "....-",
                                  ".....", "-....", "--...", "---..", "----."};
    for (int d = 0; d < 10; ++d)
        EXPECT_EQ(MorseForChar(QString(QChar(u'0' + d)), kUsEnglish), QLatin1String(digits[d])) << d;

    const struct { const char* in; const char* out; } punctuation[] = {
        {" ", "_"},       {"/", "-..-."},   {".", ".-.-.-"}, {",", "--..--"}, {":", "---..."}, {"?", "..--.."},
        {"-", "-....-"},  {"'", ".----."},  {"(", "-.--."},  {")", "-.--.-"}, {"\"", ".-..-."}, {"@", ".--.-."},
    };
    for (const auto& p : punctuation)
        EXPECT_EQ(MorseForChar(QString::fromLatin1(p.in), kUsEnglish), QLatin1String(p.out)) << p.in;
}

TEST(MorseForChar, HasNoProsignsMarkersOrUnknowns)
{
    for (const char* none : {"=", "+", "!", ";", "&", "^", "", "#", "*", "AB"})
        EXPECT_EQ(MorseForChar(QString::fromLatin1(none), kUsEnglish), QString()) << none;
}

TEST(MorseForChar, NordicLettersOnlyUnderTheSevenLanguages)
{
    const struct { char16_t letter; const char* elements; } nordic[] = {
        {0x00C4, ".-.-"}, {0x00C5, ".--.-"}, {0x00C6, ".-.-"}, {0x00D6, "---."}, {0x00D8, "---."}, {0x00DE, ".--.."},
    };
    for (const std::uint16_t lang : {0x0406, 0x040B, 0x0414, 0x0814, 0x041D, 0x081D, 0x040F}) {
        for (const auto& n : nordic)
            EXPECT_EQ(MorseForChar(QString(QChar(n.letter)), lang), QLatin1String(n.elements)) << lang;
    }
    for (const std::uint16_t lang : {0x0409, 0x0407, 0x0809, 0x041E, 0x0000}) {
        for (const auto& n : nordic)
            EXPECT_EQ(MorseForChar(QString(QChar(n.letter)), lang), QString()) << lang;
    }
    // Only the capitals: the lower-case letters and other accented ones give nothing.
    EXPECT_EQ(MorseForChar(QString(QChar(0x00E5)), kSwedish), QString());
    EXPECT_EQ(MorseForChar(QString(QChar(0x00DC)), kSwedish), QString());
    EXPECT_EQ(MorseForChar(QStringLiteral("A"), kSwedish), QStringLiteral(".-"));
}

} // namespace
} // namespace tavrik
