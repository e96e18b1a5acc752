// Keying accuracy through the real main window (typing box, colouring, link poll and all),
// on the parallel port and through a logging program's serial port, and how soon a macro
// button reaches the key line.
#include "keying_report.h"

#include "operator/frm_tavrik.h"
#include "operator/operator_dialogs.h"
#include "operator/tavrik_menus.h"
#include "platform/clock.h"
#include "platform/message_channel.h"
#include "platform/parallel_port.h"
#include "platform/priority.h"
#include "platform/runtime_dir.h"
#include "platform/serial_line.h"
#include "platform/shared_block.h"
#include "sorted_figures.h"
#include "support/stamping_port_io.h"
#include "support/window_fakes.h"
#include "window_bench_application.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

namespace tavrik::bench {
namespace {

using test::NoModemLines;
using test::SilentDialogs;

// The logging program's side in a thread of its own: the block, the window socket, and a
// stamp on every key request the moment it arrives.
class StampingLoggingProgram {
public:
    explicit StampingLoggingProgram(Clock& clock) : clock_(clock)
    {
        const RuntimeDir dir = PrepareRuntimeDir();
        block_.create(dir.path + QStringLiteral("/TAVRIK"), 10 * 128);
        const QByteArray path = MessageSocketPath(dir.path, QStringLiteral("Vorbel32")).toLocal8Bit();
        ::unlink(path.constData());
        listener_ = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 4);
        thread_ = std::thread([this] { serve(); });
    }
    ~StampingLoggingProgram()
    {
        stop_ = true;
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        thread_.join();
    }
    std::vector<std::int64_t> edges;

private:
    void serve()
    {
        const int connection = ::accept(listener_, nullptr, nullptr);
        char buffer[kMessageRecordSize];
        while (!stop_ && connection >= 0) {
            const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            const std::int64_t now = clock_.counter();
            const auto record = DecodeRecord(QByteArrayView(buffer, got));
            if (!record || !record->wantsReply)
                continue;
            const int request = record->wParam / 100;
            if (request == 3 || request == 4)
                edges.push_back(now);
            const char reply[kMessageReplySize] = {};
            ::send(connection, reply, sizeof reply, MSG_NOSIGNAL);
        }
        if (connection >= 0)
            ::close(connection);
    }

    Clock& clock_;
    SharedBlock block_;
    int listener_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

struct Station {
    Station(const QString& ini, PortIo& port)
    {
        QFile file(QDir(dir.path()).filePath(QStringLiteral("TAVRIK.INI")));
        file.open(QIODevice::WriteOnly);
        file.write(ini.toUtf8());
        file.close();
        window = std::make_unique<FrmTavrik>(TavrikDevices{clock, priority, port, modemLines, dialogs});
        window->formLoad({dir.path(), QString()});
        window->show();
    }
    QTemporaryDir dir;
    MonotonicClock clock;
    SchedulerPriority priority;
    NoModemLines modemLines;
    SilentDialogs dialogs;
    std::unique_ptr<FrmTavrik> window;
};

QString Ini(int wpm, const QString& more = QString())
{
    return QStringLiteral("[frmTavrik Settings]\nPTT Delay=0\nSlow Typing=OFF\nKeying=MOX\nWPM=%1\n").arg(wpm) + more;
}

void SendThroughTypingBox(FrmTavrik& window, const QString& text)
{
    window.typingBox().insertAtEnd(text);
    window.station().transmit().typingBoxChanged();
    window.menus().mnuTX->trigger();
}

void ParallelThroughWindow(int wpm, int words)
{
    MonotonicClock clock;
    test::StampingPortIo port(clock);
    Station station(Ini(wpm), port);
    const QString text = RepeatedWord(QStringLiteral("PARIS"), words);
    const auto ideal = IdealIntervalsMs(text, station.window->station().keyer().state().dotMs, station.window->station().keyer().options().ratios);
    SendThroughTypingBox(*station.window, text);
    char title[128];
    std::snprintf(title, sizeof title, "window, parallel port, %d WPM, PARIS x %d (%s)", wpm, words,
                  station.priority.lastRaiseDescription());
    PrintAccuracy(title, port.keyEdges, clock.frequency(), ideal);
}

void SharedSerialThroughWindow(int wpm, int words)
{
    QTemporaryDir runtime;
    qputenv("TAVRIK_RUNTIME_DIR", (runtime.path() + QStringLiteral("/rt")).toLocal8Bit());
    MonotonicClock clock;
    StampingLoggingProgram loggingProgram(clock);
    test::StampingPortIo port(clock);
    Station station(Ini(wpm, QStringLiteral("Port to Use=Shared Serial\nDedicated Serial Port=Comm1\n")), port);
    const QString text = RepeatedWord(QStringLiteral("PARIS"), words);
    const auto ideal = IdealIntervalsMs(text, station.window->station().keyer().state().dotMs, station.window->station().keyer().options().ratios);
    SendThroughTypingBox(*station.window, text);
    char title[128];
    std::snprintf(title, sizeof title, "window, shared serial (as the logging program receives it), %d WPM, PARIS x %d", wpm, words);
    PrintAccuracy(title, loggingProgram.edges, clock.frequency(), ideal);
    qunsetenv("TAVRIK_RUNTIME_DIR");
}

void ButtonToKeyDown(int presses, int pttDelayMs)
{
    MonotonicClock clock;
    test::StampingPortIo port(clock);
    Station station(QStringLiteral("[frmTavrik Settings]\nPTT Delay=%1\nPTT=ON\nSlow Typing=OFF\nKeying=VOX\nMacro #5=E\n").arg(pttDelayMs),
                    port);
    std::vector<double> latenciesUs;
    for (int i = 0; i < presses; ++i) {
        port.keyEdges.clear();
        const std::int64_t pressed = clock.counter();
        station.window->button(5).click();
        if (!port.keyEdges.empty())
            latenciesUs.push_back(ElapsedMs(pressed, port.keyEdges.front(), clock.frequency()) * 1000.0 - pttDelayMs * 1000.0);
    }
    std::sort(latenciesUs.begin(), latenciesUs.end());
    std::printf("button press to first key-down beyond the %d ms PTT delay: median %.1f us, p99 %.1f us, max %.1f us (%zu presses)\n",
                pttDelayMs, At(latenciesUs, 0.5), At(latenciesUs, 0.99), latenciesUs.back(), latenciesUs.size());
    std::fflush(stdout);
}

} // namespace
} // namespace tavrik::bench

int main(int argc, char** argv)
{
    tavrik::bench::WindowBenchApplication app(argc, argv);
    std::printf("Keying through the main window on the real clock (takes about two minutes)\n");
    tavrik::bench::ButtonToKeyDown(100, 50);
    tavrik::bench::ParallelThroughWindow(20, 10);
    tavrik::bench::ParallelThroughWindow(40, 20);
    tavrik::bench::SharedSerialThroughWindow(20, 10);
    return 0;
}
