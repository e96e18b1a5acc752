// What the service does with an answer it cannot store.
#include "common/message_dialogs.h"
#include "discseek/cd_drives.h"
#include "discseek/discseek_window.h"
#include "discseek/library_folder.h"
#include "platform/message_channel.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace discseek {
namespace {

class RecordingDialog final : public tavrik::MessageDialogs {
public:
    void showMessage(const tavrik::DialogTitle& title, const QString& text, tavrik::MessageIcon) override
    {
        shown.append(title.text() + u'|' + text);
    }
    QStringList shown;
};

TEST(DiscseekWindow, AnAnswerThatCannotBeStoredIsAnError)
{
    QTemporaryDir folder;
    LibraryFolder libraries(QStringLiteral(MISBEHAVING_LIBRARIES));
    const CdDrives drives;
    RecordingDialog dialog;
    const QString answerPath = folder.filePath(QStringLiteral("gone/Discseek.dat"));
    DiscseekWindow window(libraries, drives, dialog, answerPath);
    QSignalSpy unloaded(&window, &DiscseekWindow::unloaded);
    const QString socketPath = folder.filePath(QStringLiteral("Discseek"));
    ASSERT_EQ(window.load(socketPath), QString());

    tavrik::MessageChannel channel(socketPath);
    ASSERT_TRUE(channel.post({"Discseek", 2, 0, false}));
    QDeadlineTimer deadline(30000);
    while (unloaded.isEmpty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);

    ASSERT_EQ(dialog.shown.size(), 1);
    EXPECT_TRUE(dialog.shown.first().startsWith(QStringLiteral("Discseek Error|Cannot write ") + answerPath))
        << qPrintable(dialog.shown.first());
    EXPECT_EQ(unloaded.size(), 1);
}

} // namespace
} // namespace discseek
