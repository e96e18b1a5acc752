// Keying accuracy at the key line: the real main window, offscreen, keys its dedicated serial
// port on a pseudo-terminal; a preloaded library stamps every DTR change in the modem-line
// call itself, on the same monotonic clock, outside the program's own measurements.
#include "keying_report.h"

#include "operator/frm_tavrik.h"
#include "operator/operator_dialogs.h"
#include "operator/tavrik_menus.h"
#include "platform/clock.h"
#include "platform/parallel_port.h"
#include "platform/priority.h"
#include "platform/serial_line.h"
#include "support/window_fakes.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace tavrik::bench {
namespace {

using test::NoPortIo;
using test::SilentDialogs;

using RecordedEdges = int (*)(const std::int64_t**);

std::vector<std::int64_t> EdgesSince(RecordedEdges recorded, int from)
{
    const std::int64_t* edges = nullptr;
    const int count = recorded(&edges);
    return std::vector<std::int64_t>(edges + from, edges + count);
}

void KeyAtTheLine(RecordedEdges recorded, const QString& device, int wpm, int words)
{
    QTemporaryDir dir;
    QFile ini(QDir(dir.path()).filePath(QStringLiteral("TAVRIK.INI")));
    ini.open(QIODevice::WriteOnly);
    ini.write(QStringLiteral("[frmTavrik Settings]\nPort to Use=Serial\nDedicated Serial Port=Comm1\nPTT Delay=0\n"
                             "Slow Typing=OFF\nWPM=%1\n[Devices]\nComm1=%2\n")
                  .arg(wpm)
                  .arg(device)
                  .toUtf8());
    ini.close();
    MonotonicClock clock;
    SchedulerPriority priority;
    NoPortIo parallel;
    SilentDialogs dialogs;
    FrmTavrik window(TavrikDevices{clock, priority, parallel, SystemModemLines(), dialogs});
    window.formLoad({dir.path(), QString()});
    window.show();

    const QString text = RepeatedWord(QStringLiteral("PARIS"), words);
    const auto ideal = IdealIntervalsMs(text, window.keyer().state().dotMs, window.keyer().options().ratios);
    const std::int64_t* none = nullptr;
    const int before = recorded(&none);
    window.typingBox().insertAtEnd(text);
    window.transmit().typingBoxChanged();
    window.menus().mnuTX->trigger();
    char title[160];
    std::snprintf(title, sizeof title, "DTR at the line, dedicated serial port, %d WPM, PARIS x %d (%s)", wpm, words,
                  priority.lastRaiseDescription());
    PrintAccuracy(title, EdgesSince(recorded, before), clock.frequency(), ideal);
}

} // namespace
} // namespace tavrik::bench

int main(int argc, char** argv)
{
    // The recorder must be in place before the program starts: run again with it preloaded.
    const char* preload = std::getenv("LD_PRELOAD");
    if (preload == nullptr || std::strstr(preload, RECORDER_LIBRARY) == nullptr) {
        setenv("LD_PRELOAD", RECORDER_LIBRARY, 1);
        execv("/proc/self/exe", argv);
        std::perror("line_timing: cannot run again with the recorder");
        return 1;
    }
    auto recorded = reinterpret_cast<tavrik::bench::RecordedEdges>(dlsym(RTLD_DEFAULT, "tavrik_recorded_dtr_edges"));
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (recorded == nullptr || master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::printf("line_timing: %s\n", recorded == nullptr ? "the recorder is not loaded" : "no pseudo-terminal");
        return 1;
    }
    const QString device = QString::fromLocal8Bit(ptsname(master));
    setenv("TAVRIK_RECORDED_LINE", ptsname(master), 1);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("Keying through the main window, measured at the key line (takes about a minute)\n");
    tavrik::bench::KeyAtTheLine(recorded, device, 20, 10);
    tavrik::bench::KeyAtTheLine(recorded, device, 40, 20);
    ::close(master);
    return 0;
}
