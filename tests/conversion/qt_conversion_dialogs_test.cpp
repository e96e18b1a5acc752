#include "conversion/qt_conversion_dialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace tavrik::conversion {
namespace {

// Acts on the modal dialog once it is up, as the operator would.
template <typename Dialog>
void WhenShown(std::function<void(Dialog&)> act)
{
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

class QtDialogsTest : public ::testing::Test {
protected:
    QtConversionDialogs dialogs;
};

TEST_F(QtDialogsTest, InputBoxGivesTheTypedTextOrNothingOnCancel)
{
    WhenShown<QInputDialog>([](QInputDialog& box) {
        EXPECT_EQ(box.windowTitle(), QStringLiteral("Operator Callsign"));
        EXPECT_EQ(box.labelText(), QStringLiteral("Callsign?"));
        box.setTextValue(QStringLiteral("w1xyz"));
        box.accept();
    });
    EXPECT_EQ(dialogs.askText(DialogTitle(QStringLiteral("Operator Callsign")), QStringLiteral("Callsign?")),
              QStringLiteral("w1xyz"));

    WhenShown<QInputDialog>([](QInputDialog& box) {
        box.setTextValue(QStringLiteral("w1xyz"));
        box.reject();
    });
    EXPECT_EQ(dialogs.askText(DialogTitle(QStringLiteral("Operator Callsign")), QStringLiteral("Callsign?")),
              QString());
}

TEST_F(QtDialogsTest, MessageShowsRecordTagsAsText)
{
    WhenShown<QMessageBox>([](QMessageBox& box) {
        EXPECT_EQ(box.windowTitle(), QStringLiteral("Error loading ADIF record."));
        EXPECT_EQ(box.textFormat(), Qt::PlainText);
        EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box.buttons().size(), 1);
        box.button(QMessageBox::Ok)->click();
    });
    dialogs.showMessage(DialogTitle(QStringLiteral("Error loading ADIF record.")),
                        QStringLiteral("x : loading record - <CALL:3>K1A <eor>."), MessageIcon::None);

    WhenShown<QMessageBox>([](QMessageBox& box) {
        EXPECT_EQ(box.icon(), QMessageBox::Warning);
        box.button(QMessageBox::Ok)->click();
    });
    dialogs.showMessage(DialogTitle(QStringLiteral("Nothing to do")), QStringLiteral("No valid ADIF records found"),
                        MessageIcon::Exclamation);
}

TEST_F(QtDialogsTest, FileDialogOffersTheFilterAndReturnsTheChosenFile)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("log.adi"));
    QFile(path).open(QIODevice::WriteOnly);
    WhenShown<QFileDialog>([path](QFileDialog& dialog) {
        EXPECT_EQ(dialog.nameFilters(), QStringList({QStringLiteral(".ADI Files (*.ADI)")}));
        EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
        dialog.selectFile(path);
        static_cast<QDialog&>(dialog).accept();
    });
    EXPECT_EQ(dialogs.chooseFile(QStringLiteral(".ADI Files (*.ADI)")), path);

    WhenShown<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
    EXPECT_EQ(dialogs.chooseFile(QStringLiteral(".ADI Files (*.ADI)")), QString());
}

} // namespace
} // namespace tavrik::conversion
