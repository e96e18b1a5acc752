// Time from starting Discseek to Discseek.dat written, for one lookup on a CD of 100,000
// callsigns, as the logging program sees it: start, connect once it listens, send the records.
#include "discseek-request/request_client.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr int kRuns = 50;

struct Figures {
    double median, p99;
};

Figures Summarize(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 99 / 100)]};
}

// Processor time of the children waited for so far: independent of how busy the machine is.
double ChildrenCpuMs()
{
    rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

double RealtimeMs(const timespec& t)
{
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

void Fail(const char* what)
{
    std::fprintf(stderr, "discseek_bench: %s\n", what);
    std::exit(1);
}

struct Lookup {
    double written, ended, cpu;
};

// One lookup: milliseconds from the start to the answer file's time and to the program's end,
// and the processor time Discseek used.
Lookup OneLookup(const QString& program, const QString& work, const QString& socketPath,
                                    std::int32_t callbook)
{
    const QString answerPath = work + QStringLiteral("/Discseek.dat");
    QFile::remove(answerPath);
    const double cpuBefore = ChildrenCpuMs();
    timespec started {};
    clock_gettime(CLOCK_REALTIME, &started);
    const auto steadyStart = std::chrono::steady_clock::now();

    QProcess discseek;
    discseek.setWorkingDirectory(work);
    discseek.setStandardOutputFile(QProcess::nullDevice());
    discseek.start(program, {});
    DiscseekConnection connection;
    const auto deadline = steadyStart + std::chrono::seconds(30);
    while (!connection.connectTo(socketPath)) {
        if (std::chrono::steady_clock::now() > deadline)
            Fail("Discseek does not listen");
        QThread::usleep(200);
    }
    bool sent = connection.post(1, 'D', deadline);
    for (const char c : QByteArray("K1ABC"))
        sent = sent && connection.post(2, c, deadline);
    sent = sent && connection.post(2, callbook, deadline);
    if (!sent || !connection.waitForEnd(deadline))
        Fail("the lookup did not end");
    const double ended = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - steadyStart).count();
    discseek.waitForFinished(10000);

    struct stat info {};
    if (stat(QFile::encodeName(answerPath).constData(), &info) != 0)
        Fail(qPrintable(QStringLiteral("no Discseek.dat: %1").arg(QString::fromLocal8Bit(discseek.readAllStandardError()))));
    return {RealtimeMs(info.st_mtim) - RealtimeMs(started), ended, ChildrenCpuMs() - cpuBefore};
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    QDir(root.path()).mkpath(QStringLiteral("program"));
    QDir(root.path()).mkpath(QStringLiteral("work"));
    const QString programFolder = root.filePath(QStringLiteral("program"));
    for (const char* name : {"Discseek", "qrz32.dll", "Hamcal32.dll", "RACCD32A.DLL"}) {
        if (!QFile::copy(QStringLiteral(BIN_DIR "/") + QString::fromLatin1(name), programFolder + u'/' + QString::fromLatin1(name)))
            Fail(name);
    }
    const QString cd = root.filePath(QStringLiteral("cd"));
    QFile ini(programFolder + QStringLiteral("/Discseek.ini"));
    if (!ini.open(QIODevice::WriteOnly) || ini.write(QStringLiteral("[Drives]\nD=%1\n").arg(cd).toUtf8()) < 0)
        Fail("cannot write Discseek.ini");
    ini.close();

    QProcess makeCd;
    makeCd.start(QStringLiteral(BIN_DIR "/callbook-makecd"),
                 {QStringLiteral("--generate"), QStringLiteral("99990"), cd, QStringLiteral(SAMPLE_CSV)});
    if (!makeCd.waitForFinished(300000) || makeCd.exitCode() != 0)
        Fail("cannot make the CD");
    std::printf("CD: %s", makeCd.readAllStandardOutput().constData());

    qputenv("TAVRIK_RUNTIME_DIR", root.filePath(QStringLiteral("rt")).toLocal8Bit());
    const QString socketPath = root.filePath(QStringLiteral("rt/Discseek"));
    struct Setting {
        const char* label;
        std::int32_t callbook;
        const char* errors;
    };
    const Setting settings[] = {
        {"QRZ, no display (errors on stderr)", 2, "stderr"},
        {"QRZ, with widgets (offscreen)", 2, "box"},
        {"HamCall, no display", 1, "stderr"},
        {"RAC, no display", 0, "stderr"},
    };
    std::printf("%d lookups of K1ABC each; milliseconds from starting Discseek\n", kRuns);
    std::printf("%-38s %22s %22s %22s\n", "", "to Discseek.dat written", "to the program's end", "Discseek's CPU time");
    std::printf("%-38s %11s %10s %11s %10s %11s %10s\n", "", "median", "p99", "median", "p99", "median", "p99");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    for (const Setting& setting : settings) {
        qputenv("DISCSEEK_ERRORS", setting.errors);
        std::vector<double> written, ended, cpu;
        for (int i = 0; i < kRuns; ++i) {
            const Lookup lookup = OneLookup(programFolder + QStringLiteral("/Discseek"),
                                            root.filePath(QStringLiteral("work")), socketPath, setting.callbook);
            written.push_back(lookup.written);
            ended.push_back(lookup.ended);
            cpu.push_back(lookup.cpu);
        }
        const Figures w = Summarize(written);
        const Figures e = Summarize(ended);
        const Figures c = Summarize(cpu);
        std::printf("%-38s %11.1f %10.1f %11.1f %10.1f %11.1f %10.1f\n", setting.label, w.median, w.p99, e.median,
                    e.p99, c.median, c.p99);
    }
    return 0;
}
