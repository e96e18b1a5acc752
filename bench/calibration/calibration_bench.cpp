// The operator's own accuracy figure: the 20 and 40 WPM speed tests, started with a click on
// the Keyer setup dialog of the real main window and timed on the real clock. Prints both
// reports as the operator reads them, and the measured span beside the keyed time.
#include "keyer/setup/frm_calibrate.h"
#include "keyer/setup/frm_port.h"
#include "operator/frm_tavrik.h"
#include "operator/operator_dialogs.h"
#include "operator/tavrik_menus.h"
#include "platform/clock.h"
#include "platform/parallel_port.h"
#include "platform/priority.h"
#include "platform/serial_line.h"
#include "support/window_fakes.h"
#include "window_bench_application.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <memory>

namespace tavrik::bench {
namespace {

using test::NoModemLines;
using test::SilentDialogs;

// The parallel port's register, as the hardware would hold it.
class RegisterPortIo final : public PortIo {
public:
    bool open(std::uint16_t) override { return true; }
    void setDevicePath(const QString&) override {}
    void close() override {}
    bool isOpen() const override { return true; }
    std::uint8_t inp(std::uint16_t) override { return register_; }
    void out(std::uint16_t, std::uint8_t value) override { register_ = value; }
    QString lastError() const override { return {}; }

private:
    std::uint8_t register_ = 0x0B;
};

void RunTest(FrmTavrik& window, const char* button, int wpm)
{
    window.menus().mnuPort->trigger();
    FrmPort* setup = window.keyerSetup().setupDialog();
    auto* start = setup->findChild<QPushButton*>(QLatin1String(button));
    QTest::mouseClick(start, Qt::LeftButton);
    while (window.keyerSetup().reportWindow() == nullptr)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    FrmCalibrate* report = window.keyerSetup().reportWindow();
    const Calibration& run = window.station().keyer().calibration();
    const double spanMs = ElapsedMs(run.startCount, run.endCount, window.station().clock().frequency());
    const auto& ratios = window.station().keyer().options().ratios;
    const double units = (4 * ratios.dashLength + 19 + 4 * ratios.letterSpace + ratios.wordSpace) * wpm - ratios.wordSpace;
    const double keyedMs = units * window.station().keyer().dotMsFromWpm(static_cast<std::int16_t>(wpm));
    std::printf("%d WPM test (dot %d ms, %s)\n", wpm, window.station().keyer().dotMsFromWpm(static_cast<std::int16_t>(wpm)),
                window.station().keyer().options().slowTyping ? "slow typing on" : "slow typing off");
    std::printf("  %s\n  %s\n", qPrintable(report->label1().text()), qPrintable(report->label2().text()));
    std::printf("  measured span %.3f ms for %.0f ms of keyed time: %.3f ms (%.4f%%) spent beyond it\n", spanMs, keyedMs,
                spanMs - keyedMs, (spanMs - keyedMs) / keyedMs * 100);
    std::fflush(stdout);
    report->close();
    setup->close();
    QCoreApplication::processEvents();
}

} // namespace
} // namespace tavrik::bench

int main(int argc, char** argv)
{
    using namespace tavrik;
    tavrik::bench::WindowBenchApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("TAVRIK_RUNTIME_DIR", (dir.path() + QStringLiteral("/rt")).toLocal8Bit());
    QFile ini(QDir(dir.path()).filePath(QStringLiteral("TAVRIK.INI")));
    ini.open(QIODevice::WriteOnly);
    ini.write("[frmTavrik Settings]\nPTT Delay=0\nSlow Typing=OFF\nKeying=VOX\nWPM=20\n");
    ini.close();

    MonotonicClock clock;
    SchedulerPriority priority;
    bench::RegisterPortIo port;
    bench::NoModemLines modemLines;
    bench::SilentDialogs dialogs;
    FrmTavrik window({clock, priority, port, modemLines, dialogs});
    window.formLoad({dir.path(), QString()});
    window.show();
    std::printf("Speed calibration through the Keyer setup dialog on the real clock (takes about two minutes)\n");
    bench::RunTest(window, "ARButton1", 20);
    bench::RunTest(window, "ARButton2", 40);
    std::printf("timing priority while sending: %s\n", priority.lastRaiseDescription());
    return 0;
}
