// How long the main window takes from its load to being shown, with an empty settings file
// and with one as full as an operator's gets: every key of every section written, each macro
// 1500 characters long. The window is put together as the program's main() does, with the
// hardware left out.
#include "operator/frm_tavrik.h"
#include "platform/clock.h"
#include "settings/load_settings.h"
#include "settings/setting_table.h"
#include "sorted_figures.h"
#include "support/window_fakes.h"
#include "window_bench_application.h"

#include <QApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace tavrik::bench {
namespace {

// Every row of the table with a value, so the load finds each key in the file.
void FillFile(const QString& programDir)
{
    SettingsFile file(programDir, QString());
    file.PrepareSettingsFile();
    TavrikSettings s = LoadSettings(file, {});
    const auto write = [&](const std::vector<SettingWrite>& values) {
        for (const SettingWrite& v : values)
            file.WriteSetting(v.section, v.key, v.value);
    };
    write(StoredValues(setting::kMainSettings, s));
    for (int n = 1; n <= kMacroSlots; ++n) {
        MacroSlot& slot = s.macros[static_cast<std::size_t>(n)];
        slot.text = QString(1500, u'E');
        slot.caption = QStringLiteral("CQ %1").arg(n);
        write(StoredValues(setting::kMacroSlotSettings, slot, n));
    }
    write(StoredValues(setting::kWinKeySettings, s.winKey));
    write(StoredValues(setting::kDeviceSettings, s.devices));
    for (int n = 1; n <= 8; ++n)
        file.WriteSetting(QString::fromLatin1(setting::kDevicesSection), CommPortKey(n), CommPortDefault(n));
}

double MsToShowWindow(bool full)
{
    QTemporaryDir dir;
    if (full)
        FillFile(dir.path());
    MonotonicClock clock;
    test::NoPriority priority;
    test::NoPortIo port;
    test::NoModemLines modemLines;
    test::SilentDialogs dialogs;
    const auto start = std::chrono::steady_clock::now();
    FrmTavrik window(TavrikDevices{clock, priority, port, modemLines, dialogs});
    window.formLoad({dir.path(), QString()});
    window.show();
    QCoreApplication::processEvents();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return At(values, 0.5);
}

} // namespace
} // namespace tavrik::bench

int main(int argc, char** argv)
{
    tavrik::bench::WindowBenchApplication app(argc, argv);
    using tavrik::bench::MsToShowWindow;
    MsToShowWindow(false); // fonts and styles loaded once, as in any run
    constexpr int kRuns = 7;
    std::vector<double> empty;
    std::vector<double> full;
    for (int i = 0; i < kRuns; ++i) {
        empty.push_back(MsToShowWindow(false));
        full.push_back(MsToShowWindow(true));
    }
    const double e = tavrik::bench::Median(empty);
    const double f = tavrik::bench::Median(full);
    std::printf("window shown: %.1f ms with an empty settings file, %.1f ms with a full one (%.2f times), "
                "median of %d starts each\n",
                e, f, f / e, kRuns);
    return 0;
}
