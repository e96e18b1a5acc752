#include "operator/operator_dialogs.h"
#include "operator/windows_fonts.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QPushButton>
#include <QTimer>

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

// A Windows font name shows as this machine's font; OK without choosing another keeps the
// stored name, so the settings file still names the font the other machine has.
TEST(TextFontDialog, OkWithoutAChangeKeepsAStoredNameThisMachineLacks)
{
    QtOperatorDialogs dialogs;
    QTimer::singleShot(0, [] {
        QWidget* shown = QApplication::activeModalWidget();
        ASSERT_NE(shown, nullptr);
        shown->findChild<QDialogButtonBox*>(QString(), Qt::FindDirectChildrenOnly)->button(QDialogButtonBox::Ok)->click();
    });
    const std::optional<FontChoice> chosen = dialogs.chooseFont({QStringLiteral("MS Sans Serif"), 8, false, false, 255});
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->name.toStdString(), "MS Sans Serif");
    EXPECT_EQ(chosen->size, 8);
    EXPECT_EQ(chosen->colour, 255u);
}

} // namespace
} // namespace tavrik
