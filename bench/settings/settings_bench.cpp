// Start-up load and single writes on a settings file as full as an operator's gets: every key
// of every section, each macro near the longest a read gives back.
#include "settings/atomic_file.h"
#include "settings/load_settings.h"
#include "sorted_figures.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace tavrik;
using tavrik::bench::At;

namespace {

double MsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void FillFile(const SettingsFile& file)
{
    const QString main = QStringLiteral("frmTavrik Settings");
    for (const char* key : {"Slow Typing", "On Top", "Insert Key", "Top", "Left", "Height", "Width", "WPM"})
        file.WriteSetting(main, QString::fromLatin1(key), QStringLiteral("1"));
    for (int n = 1; n <= kMacroSlots; ++n) {
        const QString number = QString::number(n);
        file.WriteSetting(main, QStringLiteral("Macro #") + number, QString(1500, u'E'));
        for (const char* prefix : {"Macro Caption #", "Macro BackColor #", "Macro MouseOver BackColor #",
                                   "Macro ForeColor #", "Macro MouseOver ForeColor #", "Macro Fontname #",
                                   "Macro MouseOver Fontname #", "Macro Fontsize #", "Macro MouseOver Fontsize #",
                                   "Macro Fontbold #", "Macro MouseOver Fontbold #", "Macro Fontitalic #",
                                   "Macro MouseOver Fontitalic #"})
            file.WriteSetting(main, QString::fromLatin1(prefix) + number, QStringLiteral("12"));
    }
}

// The processor time this process has had: on a busy machine, apart from the waits for a turn.
double CpuMs()
{
    timespec now {};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Writers in separate processes take turns at one file as fast as they can, each doing what a
// write does under the lock (read the file, replace it, flush it). Measures how long each
// waited for the lock, apart from the time it then held it.
void MeasureLockWaits(const QString& path, int writers)
{
    constexpr int kWritesEach = 40;
    struct Report {
        double wait[kWritesEach];
        double held[kWritesEach];
        int giveUps;
    };
    int results[2];
    int gate[2];
    if (::pipe(results) != 0 || ::pipe(gate) != 0)
        return;
    for (int w = 0; w < writers; ++w) {
        if (::fork() != 0)
            continue;
        ::close(results[0]);
        ::close(gate[1]);
        char go;
        [[maybe_unused]] const ssize_t got = ::read(gate[0], &go, 1); // all start together
        Report report {};
        for (int i = 0; i < kWritesEach; ++i) {
            const auto start = std::chrono::steady_clock::now();
            const FileLock lock(path, FileLock::Kind::Exclusive);
            report.wait[i] = MsSince(start);
            if (!lock.held()) {
                ++report.giveUps;
                continue;
            }
            const auto locked = std::chrono::steady_clock::now();
            QByteArray bytes = ReadWholeFile(lock.fd()).bytes;
            bytes += "\n";
            ReplaceFile(path, bytes);
            report.held[i] = MsSince(locked);
        }
        [[maybe_unused]] const ssize_t put = ::write(results[1], &report, sizeof report);
        ::_exit(0);
    }
    ::close(results[1]);
    ::close(gate[0]);
    ::close(gate[1]);

    std::vector<double> waits;
    std::vector<double> held;
    int giveUps = 0;
    Report report {};
    while (::read(results[0], &report, sizeof report) == static_cast<ssize_t>(sizeof report)) {
        waits.insert(waits.end(), report.wait, report.wait + kWritesEach);
        held.insert(held.end(), report.held, report.held + kWritesEach);
        giveUps += report.giveUps;
    }
    ::close(results[0]);
    while (::wait(nullptr) > 0) {
    }
    if (waits.empty())
        return;
    std::sort(waits.begin(), waits.end());
    std::sort(held.begin(), held.end());
    std::printf("lock waits, %d writers x %d writes: median %.2f ms, p99 %.2f ms, largest %.2f ms, %d gave up "
                "(the lock held %.2f ms a write, median)\n",
                writers, kWritesEach, At(waits, 0.5), At(waits, 0.99), waits.back(), giveUps, At(held, 0.5));
}

} // namespace

int main()
{
    QTemporaryDir dir;
    SettingsFile file(dir.path(), QString());
    file.PrepareSettingsFile();
    FillFile(file);
    std::printf("settings file: %lld bytes\n", static_cast<long long>(QFileInfo(file.path()).size()));

    // Each load as at start-up: a settings file of its own, which reads and parses the file.
    constexpr int kLoads = 5;
    auto start = std::chrono::steady_clock::now();
    const double cpuStart = CpuMs();
    for (int i = 0; i < kLoads; ++i) {
        SettingsFile fresh(dir.path(), QString());
        LoadSettings(fresh, {});
    }
    std::printf("LoadSettings: %.1f ms a load, file read included (%.1f ms of processor time) (%d loads)\n",
                MsSince(start) / kLoads, (CpuMs() - cpuStart) / kLoads, kLoads);

    constexpr int kWrites = 50;
    start = std::chrono::steady_clock::now();
    for (int i = 0; i < kWrites; ++i)
        file.WriteSetting(QStringLiteral("frmTavrik Settings"), QStringLiteral("WPM"), QString::number(20 + i % 2));
    std::printf("WriteSetting: %.2f ms a write, locked and flushed to disk (%d writes)\n", MsSince(start) / kWrites,
                kWrites);

    for (const int writers : {2, 8})
        MeasureLockWaits(file.path(), writers);
    return 0;
}
