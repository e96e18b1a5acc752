// What the lock-step hand-over costs: 40 characters typed into Tavrik's window in WinKey mode,
// keyed by the emulator on a pseudo-terminal (which models the 1200-baud wire both ways),
// at 20 and 40 WPM, with the echo at the start and at the end of each character. Prints the
// keyer's own time for the text against the time the whole text took. Then the keyer is
// unplugged and plugged in again (its pseudo-terminal behind a fixed link goes away and comes
// back) with a text waiting: the time from the device being back to its first character keyed.
#include "operator/frm_tavrik.h"
#include "operator/lamp.h"
#include "operator/operator_dialogs.h"
#include "platform/clock.h"
#include "platform/parallel_port.h"
#include "platform/priority.h"
#include "support/winkey_emulator_process.h"
#include "support/window_fakes.h"
#include "window_bench_application.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

using namespace tavrik;
using test::NoModemLines;
using test::NoPortIo;
using test::NoPriority;
using test::SilentDialogs;

const QString kText = QStringLiteral("CQ TEST DE K1ABC K1ABC 5NN 001 TU QRZ 73");

struct Figures {
    double keyingMs = 0;
    double wholeMs = 0;
    double waitingMs = 0;
    double tavrikMs = 0;
    int chars = 0;
};

// A profile that keys through the WinKey on `device` at `wpm`, with no PTT lead or tail.
bool WriteProfile(const QTemporaryDir& dir, int wpm, const QString& device, const QString& extraWinKeyKeys)
{
    QFile ini(QDir(dir.path()).filePath(QStringLiteral("TAVRIK.INI")));
    if (!ini.open(QIODevice::WriteOnly))
        return false;
    ini.write(QStringLiteral("[frmTavrik Settings]\nKeyer to Use=WinKey\nKeying=VOX\n"
                             "[WinKey Settings]\nWinKey Port=1\nWinKey Speed=%1\nWinKey PTT Lead Delay=0\n"
                             "WinKey PTT Lag Delay=0\n%2[Devices]\nComm1=%3\n")
                  .arg(wpm)
                  .arg(extraWinKeyKeys, device)
                  .toUtf8());
    return ini.flush();
}

// The main window on the real clock, with nothing of the machine's own ports or priority.
struct StationOnTheKeyer {
    MonotonicClock clock;
    NoPriority priority;
    NoPortIo parallel;
    NoModemLines modemLines;
    SilentDialogs dialogs;
    FrmTavrik window{TavrikDevices{clock, priority, parallel, modemLines, dialogs}};
};

bool Run(int wpm, const QString& echoAt, Figures& out)
{
    test::WinKeyEmulatorProcess emulator;
    if (!emulator.start(QStringLiteral(WINKEY_EMULATOR), {QStringLiteral("--echo"), echoAt}))
        return false;
    QTemporaryDir dir;
    if (!WriteProfile(dir, wpm, emulator.device(), QStringLiteral("WinKey Speed Farnsworth=5\n")))
        return false;
    StationOnTheKeyer station;
    FrmTavrik& window = station.window;
    window.formLoad({dir.path(), QString()});
    if (!emulator.waitForLine(QStringLiteral("load defaults")))
        return false;

    QElapsedTimer elapsed;
    elapsed.start();
    window.station().transmit().appendToTypingBox(kText);
    const QDeadlineTimer deadline(120000);
    while (window.station().keyer().state().isSending && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    out.tavrikMs = static_cast<double>(elapsed.nsecsElapsed()) / 1e6;
    if (!emulator.waitForLine(QStringLiteral("done: ")))
        return false;
    static const QRegularExpression done(
        QStringLiteral("done: (\\d+) characters in ([0-9.]+) ms; keying ([0-9.]+) ms; waiting for the host ([0-9.]+) ms"));
    for (const QString& line : emulator.lines()) {
        const QRegularExpressionMatch m = done.match(line);
        if (m.hasMatch()) {
            out.chars = m.captured(1).toInt();
            out.wholeMs = m.captured(2).toDouble();
            out.keyingMs = m.captured(3).toDouble();
            out.waitingMs = m.captured(4).toDouble();
        }
    }
    return out.chars > 0;
}

// Device back (its link made and announced) to the first character keyed, in ms, per replug.
bool Replug(std::vector<double>& out)
{
    QTemporaryDir dir;
    const QString link = QDir(dir.path()).filePath(QStringLiteral("ttyWinKey"));
    const QStringList arguments{QStringLiteral("--link"), link};
    auto emulator = std::make_unique<test::WinKeyEmulatorProcess>();
    if (!emulator->start(QStringLiteral(WINKEY_EMULATOR), arguments))
        return false;
    if (!WriteProfile(dir, 40, link, QString()))
        return false;
    StationOnTheKeyer station;
    FrmTavrik& window = station.window;
    window.formLoad({dir.path(), QString()});
    if (!emulator->waitForLine(QStringLiteral("load defaults")))
        return false;
    for (int round = 0; round < 5; ++round) {
        emulator->kill();
        const QDeadlineTimer noticed(10000);
        while (window.keyLamp().isOn() && !noticed.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        if (window.keyLamp().isOn())
            return false;
        window.station().transmit().appendToTypingBox(QStringLiteral("E"));
        emulator = std::make_unique<test::WinKeyEmulatorProcess>();
        if (!emulator->start(QStringLiteral(WINKEY_EMULATOR), arguments))
            return false;
        QElapsedTimer back;
        back.start();
        if (!emulator->waitForLine(QStringLiteral("key 'E'")))
            return false;
        out.push_back(static_cast<double>(back.nsecsElapsed()) / 1e6);
        const QDeadlineTimer idle(10000);
        while (window.station().keyer().state().isSending && !idle.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    tavrik::bench::WindowBenchApplication app(argc, argv);
    std::printf("winkey_throughput: \"%s\" (%d characters) typed into Tavrik in WinKey mode, keyed by\n"
                "tools/winkey-emulator on a pseudo-terminal; one byte takes %.2f ms on the modelled wire.\n\n",
                qPrintable(kText), static_cast<int>(kText.size()), 11 * 1000.0 / 1200);
    std::printf("%4s %6s %6s %16s %15s %11s %14s %16s\n", "WPM", "echo", "chars", "keyer's own ms", "whole text ms",
                "added ms", "added/char ms", "Tavrik busy ms");
    for (const int wpm : {20, 40}) {
        for (const char* echoAt : {"start", "end"}) {
            Figures f;
            if (!Run(wpm, QLatin1String(echoAt), f)) {
                std::printf("%4d %6s  run failed\n", wpm, echoAt);
                return 1;
            }
            std::printf("%4d %6s %6d %16.1f %15.1f %11.1f %14.2f %16.1f\n", wpm, echoAt, f.chars, f.keyingMs, f.wholeMs,
                        f.wholeMs - f.keyingMs, (f.wholeMs - f.keyingMs) / std::max(1, f.chars - 1), f.tavrikMs);
        }
    }
    std::printf("\nkeyer's own: the sum of the characters' timing at the loaded block (marks, gaps, spaces).\n"
                "whole text: first character's start to last character's end as the keyer keyed them.\n"
                "added: time the keyer sat with nothing to send, waiting for Tavrik's next character.\n");

    std::vector<double> replugs;
    if (!Replug(replugs)) {
        std::printf("\nreplug: run failed\n");
        return 1;
    }
    std::printf("\nreplug (target under 2000 ms): device back to its first character keyed, ms:");
    for (const double ms : replugs)
        std::printf(" %.0f", ms);
    std::printf("\n  (looked for every %d ms; %d ms for the line to settle, host open, %d ms calibration,\n"
                "  the 16-byte block on the wire, then the waiting text)\n",
                WinKeyConnection::kReconnectPollMs, WinKeyConnection::kSettleAfterOpenMs,
                WinKeyConnection::kCalibratePauseMs);
    return 0;
}
