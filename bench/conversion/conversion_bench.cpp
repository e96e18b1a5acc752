// Converts a 100,000-record log: first reading and converting the records on their own, then the
// whole program (window offscreen, dialogs answered) from Start to the summary. Then a record
// with one huge field (1 GiB, or --field-mb N): the memory the program grows by, and how long
// Abort takes to end the run, and the longest the window waited for its events.

#include "conversion/adif_record_reader.h"
#include "conversion/convert_window.h"
#include "conversion/record_converter.h"
#include "platform/clock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using namespace tavrik::conversion;

constexpr int kRecords = 100'000;

QByteArray MakeLog()
{
    static const char* const kNames[] = {"JOHN SMITH", "PETE", "Jos\xe9 Mar\xed" "a", "ANN - BOSTON",
                                         "BOB"};
    static const char* const kModes[] = {"<MODE:2>CW", "<MODE:3>PSK", "<MODE:4>BPSK",
                                         "<MODE:3>SSB", "<MODE:4>PS63"};
    QByteArray log = "Vorbel ADIF export\r\n<ADIF_VER:4>1.00\r\n<EOH>\r\n";
    for (int i = 0; i < kRecords; ++i) {
        const QByteArray call = "K" + QByteArray::number(10000 + i % 90000) + "X";
        const QByteArray name = kNames[i % 5];
        log += "<CALL:" + QByteArray::number(call.size()) + ">" + call + " <NAME:"
            + QByteArray::number(name.size()) + ">" + name + " <QSO_DATE:8>20010203 "
            + "<TIME_ON:4>1234 <BAND:3>20M " + kModes[i % 5] + " <RST_SENT:3>599\r\n"
            + "<RST_RCVD:3>579 <FREQ:6>14.070 <eor>\r\n";
    }
    return log;
}

// Answers every dialog at once and remembers the last message.
class AnsweringDialogs final : public ConversionDialogs {
public:
    explicit AnsweringDialogs(QString file) : file_(std::move(file)) {}
    QString chooseFile(const QString&) override { return file_; }
    QString askText(const tavrik::DialogTitle&, const QString&) override { return QStringLiteral("W1XYZ"); }
    void showMessage(const tavrik::DialogTitle&, const QString& text, tavrik::MessageIcon) override { message = text; }
    QString message;

private:
    QString file_;
};

void Report(const char* what, double seconds, qint64 bytes)
{
    std::printf("%-34s %8.3f s  %10.0f records/s  %7.1f MB/s\n", what, seconds, kRecords / seconds,
                static_cast<double>(bytes) / 1e6 / seconds);
}

void BenchCore(const QString& path, qint64 size)
{
    QFile input(path);
    input.open(QIODevice::ReadOnly);
    AdifRecordReader reader(input);
    std::vector<QByteArray> records;
    QElapsedTimer timer;
    timer.start();
    for (auto step = reader.readLine(); step != AdifRecordReader::Step::End; step = reader.readLine()) {
        if (step == AdifRecordReader::Step::Record)
            records.push_back(reader.record());
    }
    const double readSeconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;

    const ConversionOptions options{SecondWords::Comment, "W1XYZ"};
    qint64 written = 0;
    timer.restart();
    for (const QByteArray& record : records)
        written += RecordConverter::convert(record, options).record.size();
    const double convertSeconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;

    std::printf("%d records, %.1f MB in, %.1f MB out\n", static_cast<int>(records.size()),
                static_cast<double>(size) / 1e6, static_cast<double>(written) / 1e6);
    Report("reading records from the file", readSeconds, size);
    Report("converting records (in memory)", convertSeconds, size);
}

void BenchProgram(const QString& path, qint64 size)
{
    QTemporaryDir folder;
    AnsweringDialogs dialogs(path);
    tavrik::MonotonicClock clock;
    Convert window(dialogs, clock, folder.path());
    window.show();

    // A 10 ms timer stands for the operator's Abort click: its longest wait is how long Abort
    // could take to be noticed.
    QElapsedTimer sinceTick;
    qint64 longestWaitNs = 0;
    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestWaitNs = std::max(longestWaitNs, sinceTick.nsecsElapsed());
        sinceTick.restart();
        ++ticks;
    });
    ticker.start();
    QApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    sinceTick.start();
    window.cmdStart->click();
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;

    Report("whole program (file to file)", seconds, size);
    std::printf("event turns: %d, longest wait for events %.1f ms\n", ticks,
                static_cast<double>(longestWaitNs) / 1e6);
    std::printf("summary:%s\n", qPrintable(dialogs.message));
}

// Kilobytes from /proc/self/status: "VmRSS:" now, "VmHWM:" at the most since the last reset.
qint64 MemoryKb(const char* name)
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(name))
            return line.mid(static_cast<qsizetype>(std::strlen(name))).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

void ResetPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    clear.open(QIODevice::WriteOnly);
    clear.write("5");
}

// A file whose first record has a NOTES field of `bytes` NULs, left as a hole in the file.
void MakeHugeFieldLog(const QString& path, qint64 bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const QByteArray head = "<eoh>\n<CALL:4>K1AB <NAME:7>ANN LEE <NOTES:" + QByteArray::number(bytes) + '>';
    const QByteArray tail = " <eor>\n<CALL:4>K2CD <eor>\n";
    [[maybe_unused]] ssize_t written = ::write(fd, head.constData(), static_cast<size_t>(head.size()));
    ::lseek(fd, bytes, SEEK_CUR);
    written = ::write(fd, tail.constData(), static_cast<size_t>(tail.size()));
    ::close(fd);
}

void BenchHugeField(qint64 fieldBytes)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("huge.adi"));
    MakeHugeFieldLog(path, fieldBytes);
    const double fieldMb = static_cast<double>(fieldBytes) / 1048576.0;

    for (const bool abort : {false, true}) {
        AnsweringDialogs dialogs(path);
        tavrik::MonotonicClock clock;
        Convert window(dialogs, clock, folder.path());
        window.show();
        QApplication::processEvents();
        // Abort clicked 0.3 s into the run; a 10 ms timer stands for the operator, its longest
        // wait being the longest Abort could wait at any moment of the run.
        QElapsedTimer sinceAbort;
        QTimer::singleShot(300, &window, [&] {
            if (abort) {
                sinceAbort.start();
                window.cmdAbort->click();
            }
        });
        QElapsedTimer sinceTick;
        qint64 longestWaitNs = 0;
        QTimer ticker;
        ticker.setInterval(10);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            longestWaitNs = std::max(longestWaitNs, sinceTick.nsecsElapsed());
            sinceTick.restart();
        });
        ticker.start();
        sinceTick.start();
        ResetPeakMemory();
        const qint64 before = MemoryKb("VmRSS:");
        QElapsedTimer timer;
        timer.start();
        window.cmdStart->click();
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        const double grownMb = static_cast<double>(MemoryKb("VmHWM:") - before) / 1024.0;
        if (abort) {
            std::printf("%.0f MiB field, Abort after 0.3 s: the run ended %.3f s after the click; memory grew by "
                        "%.0f MiB (%.2f times the field)\n",
                        fieldMb, sinceAbort.isValid() ? static_cast<double>(sinceAbort.nsecsElapsed()) / 1e9 : -1.0,
                        grownMb, grownMb / fieldMb);
        } else {
            std::printf("%.0f MiB field converted whole in %.3f s; memory grew by %.0f MiB (%.2f times the field); "
                        "longest wait of the window for its events %.1f ms\n",
                        fieldMb, seconds, grownMb, grownMb / fieldMb, static_cast<double>(longestWaitNs) / 1e6);
        }
        std::printf("  summary:%s\n", qPrintable(dialogs.message));
    }
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("log.adi"));
    const QByteArray log = MakeLog();
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(log);
    file.close();
    BenchCore(path, log.size());
    BenchProgram(path, log.size());
    qint64 fieldMb = 1024;
    const QStringList arguments = app.arguments();
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--field-mb")); at >= 0 && at + 1 < arguments.size())
        fieldMb = arguments.at(at + 1).toLongLong();
    BenchHugeField(fieldMb << 20);
    return 0;
}
