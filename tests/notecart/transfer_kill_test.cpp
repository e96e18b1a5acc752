// A transfer killed with SIGKILL leaves every contact whole: its old note or its new one, and
// every note reported done is in the logbook.
#include "notecart_fixture.h"

#include "support/core_application.h"

#include <QDeadlineTimer>

#include <signal.h>

namespace tavrik::test {
namespace {

QByteArray Note(const char* age, int i)
{
    return age + QByteArray::number(i) + QByteArray(1500, age[0]);
}

TEST(TransferKillTest, EveryContactIsWholeAfterTheProgramIsKilledMidTransfer)
{
    CoreApplication();
    constexpr int kContacts = 4000;
    IsdFolder folder;
    QByteArray notesCsv = "CALL,NOTES\n";
    QByteArray logCsv = "CALL,NAME,NOTES\n";
    for (int i = 0; i < kContacts; ++i) {
        const QByteArray call = "K" + QByteArray::number(10000 + i);
        notesCsv += call + "," + Note("new", i) + "\n";
        logCsv += call + ",Name " + QByteArray::number(i) + "," + Note("old", i) + "\n";
    }
    const QString notes = folder.make(QStringLiteral("notes"), QStringLiteral("notes"), notesCsv);
    const QString log = folder.make(QStringLiteral("logbook"), QStringLiteral("log"), logCsv);

    QProcess child;
    child.start(QStringLiteral(TRANSFER_CHILD), {QStringLiteral(ISAM_LIBRARY), notes, log});
    ASSERT_TRUE(child.waitForStarted(10000));
    int done = 0;
    const QDeadlineTimer deadline(120000);
    while (done < 300 && !deadline.hasExpired() && child.state() == QProcess::Running) {
        child.waitForReadyRead(1000);
        while (child.canReadLine()) {
            const QByteArray line = child.readLine().trimmed();
            if (line.startsWith("done "))
                done = std::max(done, line.mid(5).toInt());
        }
    }
    ASSERT_GE(done, 300) << "the transfer never got going";
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished(10000));

    const QList<QByteArray> rows = folder.dump(log).split('\n');
    int transferred = 0;
    int checked = 0;
    for (const QByteArray& row : rows.mid(1)) {
        if (row.trimmed().isEmpty())
            continue;
        const QList<QByteArray> fields = row.trimmed().split(',');
        ASSERT_EQ(fields.size(), 66) << row.left(40).toStdString();
        const int i = fields[0].mid(1).toInt() - 10000;
        ASSERT_EQ(fields[10], "Name " + QByteArray::number(i));
        const bool isNew = fields[20] == Note("new", i);
        ASSERT_TRUE(isNew || fields[20] == Note("old", i)) << fields[0].toStdString();
        transferred += isNew ? 1 : 0;
        ++checked;
    }
    EXPECT_EQ(checked, kContacts);
    EXPECT_GE(transferred, done);
}

} // namespace
} // namespace tavrik::test
