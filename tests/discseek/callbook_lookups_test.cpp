// What Discseek makes of careless library answers, and of an answer it cannot store.
#include "discseek/callbook_calls.h"
#include "discseek/callbook_lookups.h"
#include "discseek/cd_drives.h"
#include "discseek/discseek_window.h"
#include "discseek/error_dialog.h"
#include "discseek/library_folder.h"
#include "platform/message_channel.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace discseek {
namespace {

class RecordingOutcome final : public LookupOutcome {
public:
    void writeLookupAnswer(const QByteArray& answer) override { answers.append(answer); }
    void reportLookupError(const QString& message) override { errors.append(message); }
    QList<QByteArray> answers;
    QStringList errors;
};

TEST(CallbookLookups, AnswerLinesStopAtTheBufferAndAtTheFirstNul)
{
    struct Case {
        Callbook callbook;
        QByteArray line;
    };
    const Case cases[] = {
        {Callbook::Qrz, QByteArray(kQrzAnswerSize, 'A') + " EMAIL op@example.org"},
        {Callbook::HamCall, "K1ABC  "},
        {Callbook::Rac, "K1ABC;Op"},
    };
    LibraryFolder libraries(QStringLiteral(MISBEHAVING_LIBRARIES));
    CdDrives drives;
    drives.map(u'D', QStringLiteral("/nowhere"));
    for (const Case& c : cases) {
        RecordingOutcome outcome;
        CallbookLookups(libraries, drives, outcome).lookup(c.callbook, "D:", "K1ABC");
        ASSERT_EQ(outcome.answers.size(), 1);
        EXPECT_EQ(outcome.answers.first(), c.line);
        EXPECT_TRUE(outcome.errors.isEmpty());
    }
}

class RecordingDialog final : public ErrorDialog {
public:
    void showError(const QString& title, const QString& text) override { shown.append(title + u'|' + text); }
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
