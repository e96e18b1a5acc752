// Transfers 10,000 notes into a logbook of 50,000 contacts through the window (offscreen) and
// the real library, and prints notes per second and how long the window waited for its events;
// then the same run on a logbook another program holds, and isd dump of 20,000 contacts of
// one callsign.
#include "notecart/frm_convert_notes.h"
#include "notecart/isam_library.h"
#include "notecart/notecart_dialogs.h"
#include "platform/clock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

// Processor time of this process: what the transfer costs whatever else the machine runs.
double CpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

constexpr int kNotes = 10'000;
constexpr int kContacts = 50'000;

class SilentDialogs final : public tavrik::notecart::NotecartDialogs {
public:
    QString chooseFile(const tavrik::DialogTitle&, const QString&, const QString&) override { return {}; }
    void showMessage(const tavrik::DialogTitle&, const QString& text, tavrik::MessageIcon) override
    {
        std::printf("message: %s\n", qPrintable(text));
    }
};

bool RunIsd(const QStringList& arguments)
{
    QProcess isd;
    isd.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    isd.start(QStringLiteral(ISD_PROGRAM), arguments);
    return isd.waitForFinished(-1) && isd.exitCode() == 0;
}

// A file of the kind made from CSV with isd; the path without extension.
QString Make(const QTemporaryDir& dir, const char* kind, const QString& name, const QByteArray& csv)
{
    const QString csvPath = dir.filePath(name + QStringLiteral(".csv"));
    QFile file(csvPath);
    file.open(QIODevice::WriteOnly);
    file.write(csv);
    file.close();
    const QString path = dir.filePath(name);
    if (!RunIsd({QStringLiteral("create"), QString::fromLatin1(kind), path})
        || !RunIsd({QStringLiteral("import"), path, csvPath}))
        std::exit(1);
    return path;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;

    // Every fifth contact has a note; each contact has a full record of ordinary length.
    QByteArray notes = "CALL,NOTES\n";
    for (int i = 0; i < kNotes; ++i)
        notes += "K" + QByteArray::number(100000 + i * 5) + ",Met at the hamfest in " + QByteArray::number(1990 + i % 30)
            + "; likes 30 m CW; QSL via bureau\n";
    QByteArray contacts = "CALL,QSO_DATE,TIME_ON,BAND,MODE,RST_SENT,RST_RCVD,NAME,QTH,OPERATOR\n";
    for (int i = 0; i < kContacts; ++i)
        contacts += "K" + QByteArray::number(100000 + i) + ",20200101,1234,20M,CW,599,579,Bob,Springfield,N1OP\n";
    const QString notesPath = Make(dir, "notes", QStringLiteral("notes"), notes);
    const QString logPath = Make(dir, "logbook", QStringLiteral("log"), contacts);

    QString error;
    auto library = tavrik::notecart::IsamLibrary::load(QStringLiteral(ISAM_LIBRARY), error);
    if (!library) {
        std::printf("%s\n", qPrintable(error));
        return 1;
    }
    SilentDialogs dialogs;
    tavrik::MonotonicClock clock;
    tavrik::notecart::frmConvertNotes window(*library, dialogs, clock);
    window.show();
    window.txtNotesFile->setText(notesPath.toUpper());
    window.txtLogbook->setText(logPath.toUpper());

    // A 10 ms timer stands for the operator: its longest wait is how long a click could wait.
    QElapsedTimer sinceTick;
    qint64 longestWaitNs = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestWaitNs = std::max(longestWaitNs, sinceTick.nsecsElapsed());
        sinceTick.restart();
    });
    ticker.start();
    QApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    sinceTick.start();
    const double cpuStart = CpuSeconds();
    window.cmdStart->click();
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const double cpuSeconds = CpuSeconds() - cpuStart;

    const int transferred = static_cast<int>(window.txtLog->toPlainText().count(QStringLiteral(" Note transferred OK.")));
    std::printf("%d notes into a logbook of %d contacts: %d transferred in %.3f s, %.0f notes/s\n", kNotes,
                kContacts, transferred, seconds, transferred / seconds);
    std::printf("processor time %.3f s, %.0f notes per processor second\n", cpuSeconds,
                transferred / cpuSeconds);
    std::printf("longest wait of the window for its events: %.1f ms\n",
                static_cast<double>(longestWaitNs) / 1e6);

    // The logbook held by another program's write: each put waits for it, the window answers
    // meanwhile, and the run gives up after a few notes.
    sqlite3* other = nullptr;
    sqlite3_open((logPath + QStringLiteral(".ISD")).toUtf8().constData(), &other);
    sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    longestWaitNs = 0;
    timer.restart();
    sinceTick.restart();
    window.cmdStart->click();
    const double heldSeconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    std::printf("logbook held elsewhere: the run ended after %.3f s (%s); longest wait of the window: %.1f ms\n",
                heldSeconds, qPrintable(window.txtLog->toPlainText().split(u'\n').last().left(60)),
                static_cast<double>(longestWaitNs) / 1e6);

    // One callsign's contacts, walked by isd dump: each step is one seek, however many there are.
    constexpr int kSameCall = 20'000;
    QByteArray same = "CALL,QSO_DATE,TIME_ON,BAND,MODE\n";
    for (int i = 0; i < kSameCall; ++i)
        same += "W1AW,20200101," + QByteArray::number(100000 + i % 800000) + ",20M,CW\n";
    const QString samePath = Make(dir, "logbook", QStringLiteral("same"), same);
    QElapsedTimer dumpTimer;
    dumpTimer.start();
    QProcess dump;
    dump.start(QStringLiteral(ISD_PROGRAM), {QStringLiteral("dump"), samePath});
    dump.waitForFinished(-1);
    const double dumpSeconds = static_cast<double>(dumpTimer.nsecsElapsed()) / 1e9;
    const qsizetype dumped = dump.readAllStandardOutput().count('\n') - 1;
    std::printf("isd dump of %lld contacts of one callsign: %.3f s\n", static_cast<long long>(dumped), dumpSeconds);
    return transferred == kNotes && dumped == kSameCall ? 0 : 1;
}
