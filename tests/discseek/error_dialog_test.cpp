// The real error box, driven as a user would: it names the failure, and the program ends
// only after OK.
#include "discseek/cd_drives.h"
#include "discseek/discseek_window.h"
#include "discseek/error_dialog.h"
#include "discseek/library_folder.h"
#include "platform/message_channel.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace discseek {
namespace {

TEST(ErrorBox, ShowsTheFailureAndEndsAfterOk)
{
    QTemporaryDir folder; // no libraries in it
    LibraryFolder libraries(folder.path());
    const CdDrives drives;
    MessageBoxErrorDialog dialog;
    const QString answerPath = folder.filePath(QStringLiteral("Discseek.dat"));
    DiscseekWindow window(libraries, drives, dialog, answerPath);
    QSignalSpy unloaded(&window, &DiscseekWindow::unloaded);
    const QString socketPath = folder.filePath(QStringLiteral("Discseek"));
    ASSERT_EQ(window.load(socketPath), QString());

    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool modal = false;
    bool unloadedWhileShown = true;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll.stop();
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        modal = box->windowModality() == Qt::ApplicationModal;
        unloadedWhileShown = !unloaded.isEmpty();
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
    poll.start(20);

    tavrik::MessageChannel channel(socketPath);
    ASSERT_TRUE(channel.post({"Discseek", 1, 'D', false}));
    ASSERT_TRUE(channel.post({"Discseek", 2, 0, false}));
    QDeadlineTimer deadline(30000);
    while (unloaded.isEmpty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);

    EXPECT_EQ(unloaded.size(), 1);
    EXPECT_FALSE(unloadedWhileShown);
    EXPECT_EQ(title, QStringLiteral("Discseek Error"));
    EXPECT_TRUE(text.startsWith(QStringLiteral("I cannot find the file RACCD32A.DLL"))) << qPrintable(text);
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_TRUE(modal);
    EXPECT_FALSE(window.isHooked());
    EXPECT_FALSE(QFile::exists(answerPath));
}

} // namespace
} // namespace discseek
