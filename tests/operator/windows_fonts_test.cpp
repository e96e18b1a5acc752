#include "operator/windows_fonts.h"

#include <QFontDatabase>
#include <QFontDialog>

#include <gtest/gtest.h>

namespace tavrik {
namespace {

// The font dialog must come up with the stored weight and slant selected, so that OK without
// touching the style keeps them; families whose first listed style is oblique used to turn
// plain text italic.
TEST(TextFontDialog, OpensOnTheStoredStyle)
{
    const QString family = QStringLiteral("DejaVu Sans");
    if (!QFontDatabase::hasFamily(family))
        GTEST_SKIP() << "no " << family.toStdString();
    const struct { bool bold; bool italic; } cases[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    for (const auto& c : cases) {
        QFont font(family, 12);
        font.setBold(c.bold);
        font.setItalic(c.italic);
        font.setStyleName(StyleNameFor(family, c.bold, c.italic));
        QFontDialog dialog;
        dialog.setCurrentFont(font);
        const QFont shown = dialog.currentFont();
        EXPECT_EQ(shown.bold(), c.bold) << "bold " << c.bold << " italic " << c.italic;
        EXPECT_EQ(shown.italic(), c.italic) << "bold " << c.bold << " italic " << c.italic;
    }
}

} // namespace
} // namespace tavrik
