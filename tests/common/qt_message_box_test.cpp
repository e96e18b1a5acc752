#include "common/qt_message_box.h"

#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <type_traits>

namespace tavrik {
namespace {

// A title given as the text, or a text as the title, must not compile.
static_assert(!std::is_convertible_v<QString, DialogTitle>);
static_assert(!std::is_convertible_v<DialogTitle, QString>);

TEST(MessageBoxTest, ShowsTitleTextAsWrittenIconAndOk)
{
    const struct {
        MessageIcon icon;
        QMessageBox::Icon shown;
    } cases[] = {
        {MessageIcon::None, QMessageBox::NoIcon},
        {MessageIcon::Exclamation, QMessageBox::Warning},
        {MessageIcon::Information, QMessageBox::Information},
        {MessageIcon::Critical, QMessageBox::Critical},
    };
    for (const auto& c : cases) {
        const auto box = MakeMessageBox(DialogTitle(QStringLiteral("Error loading ADIF record.")),
                                        QStringLiteral("x : loading record - <b>K1A</b> <eor>."), c.icon, nullptr);
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Error loading ADIF record."));
        EXPECT_EQ(box->text(), QStringLiteral("x : loading record - <b>K1A</b> <eor>."));
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        EXPECT_EQ(box->icon(), c.shown) << static_cast<int>(c.icon);
        ASSERT_EQ(box->buttons().size(), 1);
        EXPECT_NE(box->button(QMessageBox::Ok), nullptr);
    }
}

} // namespace
} // namespace tavrik
