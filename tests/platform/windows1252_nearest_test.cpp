#include "platform/windows1252.h"
#include "platform/windows1252_nearest.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

TEST(Windows1252Nearest, KeepsWhatThePageHoldsAndComesCloseForTheRest)
{
    const struct { const char* text; const char* nearest; } cases[] = {
        {"K1ABC", "K1ABC"},
        {"Åsa Müller Ørsted Œuvre Ž €", "Åsa Müller Ørsted Œuvre Ž €"}, // all in the page
        {"Paweł Łódź", "Pawel Lódz"},
        {"Đorđe Ħal", "Dorde Hal"},
        {"Erdős Ştefan Čapek Dvořák", "Erdos Stefan Capek Dvorák"},
        {"ǅemal ﬁne", "Džemal fine"},   // compatibility forms spelt out, the page's accents kept
        {"Иван 李", "???? ?"},            // no near form
        {"\xF0\x9F\x93\xBB", "?"},        // one character outside the 16-bit range, one "?"
        {"Jean\xE2\x80\x91Luc", "Jean-Luc"},
    };
    for (const auto& c : cases) {
        const QString nearest = NearestWindows1252Form(QString::fromUtf8(c.text));
        EXPECT_EQ(nearest, QString::fromUtf8(c.nearest)) << c.text;
        EXPECT_EQ(FromWindows1252(ToWindows1252(nearest)), nearest) << c.text;
    }
}

} // namespace
} // namespace tavrik
