// Converts a 100,000-record log: first reading and converting the records on their own, then the
// whole program (window offscreen, dialogs answered) from Start to the summary.

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

#include <algorithm>
#include <cstdio>
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
    QString askText(const QString&, const QString&) override { return QStringLiteral("W1XYZ"); }
    void showMessage(const QString& text, const QString&, Icon) override { message = text; }
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
    window.Command1->click();
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;

    Report("whole program (file to file)", seconds, size);
    std::printf("event turns: %d, longest wait for events %.1f ms\n", ticks,
                static_cast<double>(longestWaitNs) / 1e6);
    std::printf("summary:%s\n", qPrintable(dialogs.message));
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
    return 0;
}
