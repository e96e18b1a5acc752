#include "notecart/qt_notecart_dialogs.h"

#include "support/qt_print.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace tavrik::test {
namespace {

TEST(NotecartQtDialogsTest, FileDialogHasTitleAndFilterStartsAtTheBoxPathAndCancelGivesNothing)
{
    QTemporaryDir dir;
    QFile(dir.filePath(QStringLiteral("log.isd"))).open(QIODevice::WriteOnly);
    notecart::QtNotecartDialogs dialogs;
    const auto choose = [&] {
        return dialogs.chooseFile(DialogTitle(QStringLiteral("Vorbel32 Logbook :")),
                                  QStringLiteral("Logbook Files (*.ISD)|*.ISD"), dir.filePath(QStringLiteral("LOG")));
    };

    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Vorbel32 Logbook :"));
        EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("Logbook Files (*.ISD)")});
        EXPECT_EQ(dialog->directory().absolutePath(), QDir(dir.path()).absolutePath());
        dialog->selectFile(QStringLiteral("log.isd"));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(choose(), dir.filePath(QStringLiteral("log.isd")));

    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_EQ(choose(), QString());
}

} // namespace
} // namespace tavrik::test
