#include "platform/windows1252.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

TEST(Windows1252, RoundTripsTheCodePage)
{
    QByteArray all;
    for (int i = 1; i < 256; ++i) {
        if (i != 0x81 && i != 0x8D && i != 0x8F && i != 0x90 && i != 0x9D)
            all.append(static_cast<char>(i));
    }
    EXPECT_EQ(ToWindows1252(FromWindows1252(all)), all);
    EXPECT_EQ(FromWindows1252(QByteArray("\x80\xbb\xab\xc5", 4)), QString::fromUtf8("€»«Å"));
    EXPECT_EQ(Windows1252Code(QChar(0x00C5)), 197);
    EXPECT_EQ(Windows1252Code(QChar(0x20AC)), 0x80);
    EXPECT_EQ(Windows1252Code(QChar(0x0416)), -1);
    EXPECT_EQ(ToWindows1252(QString::fromUtf8("Ж")), QByteArray("?"));
}

TEST(Windows1252, TellsUtf8FromOtherBytes)
{
    EXPECT_TRUE(IsValidUtf8(QByteArray("plain ascii")));
    EXPECT_TRUE(IsValidUtf8(QString::fromUtf8("Åsa »").toUtf8()));
    EXPECT_FALSE(IsValidUtf8(QByteArray("\xc5sa", 3)));
}

} // namespace
} // namespace tavrik
