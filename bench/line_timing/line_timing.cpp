// Keying accuracy at the key line: the real main window keys its dedicated serial port on a
// pseudo-terminal; a preloaded library stamps every DTR change in the modem-line call itself,
// on the same monotonic clock, outside the program's own measurements.
//
// The window runs on a real X display: $DISPLAY when set, else a private Xvfb that the bench
// starts (else offscreen, said so). With --cwdaemon DIR (a folder into which the cwdaemon and
// libcw7 packages were unpacked, see with-cwdaemon) cwdaemon keys the same text on the same
// kind of line in the same run, stamped by the same library, and its figures are printed
// beside ours.
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
#include <QThread>

#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
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

constexpr int kWords = 5; // PARIS five times, as an operator's check would

struct Run {
    RecordedEdges recorded;
    QString device;
    std::string cwdaemonDir; // empty: no cwdaemon
};

// The ideal intervals with each word space replaced by the median word space the keyer
// actually keyed: cwdaemon's library keys a longer word space than 7 dots by design, which is
// no timing error. Printed, so a wrong word space still shows.
std::vector<double> WithOwnWordSpace(std::vector<double> ideal, const std::vector<std::int64_t>& edges, double dotMs,
                                     const char* who)
{
    if (edges.size() != ideal.size() + 1)
        return ideal;
    std::vector<std::size_t> words;
    std::vector<double> keyed;
    for (std::size_t i = 0; i < ideal.size(); ++i) {
        if (ideal[i] > 5 * dotMs) {
            words.push_back(i);
            keyed.push_back(ElapsedMs(edges[i], edges[i + 1], 1'000'000'000));
        }
    }
    if (words.empty())
        return ideal;
    std::sort(keyed.begin(), keyed.end());
    const double median = keyed[keyed.size() / 2];
    std::printf("%s keyed its word spaces as %.2f dots (median)\n", who, median / dotMs);
    for (const std::size_t i : words)
        ideal[i] = median;
    return ideal;
}

double KeyAtTheLine(const Run& run, int wpm)
{
    QTemporaryDir dir;
    QFile ini(QDir(dir.path()).filePath(QStringLiteral("TAVRIK.INI")));
    ini.open(QIODevice::WriteOnly);
    ini.write(QStringLiteral("[frmTavrik Settings]\nPort to Use=Serial\nDedicated Serial Port=Comm1\nPTT Delay=0\n"
                             "Slow Typing=OFF\nWPM=%1\n[Devices]\nComm1=%2\n")
                  .arg(wpm)
                  .arg(run.device)
                  .toUtf8());
    ini.close();
    MonotonicClock clock;
    SchedulerPriority priority;
    NoPortIo parallel;
    SilentDialogs dialogs;
    FrmTavrik window(TavrikDevices{clock, priority, parallel, SystemModemLines(), dialogs});
    window.formLoad({dir.path(), QString()});
    window.show();
    // Mapped and drawn once before the first element, as an operator's window is.
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }

    const QString text = RepeatedWord(QStringLiteral("PARIS"), kWords);
    const auto ideal = IdealIntervalsMs(text, window.station().keyer().state().dotMs, window.station().keyer().options().ratios);
    const std::int64_t* none = nullptr;
    const int before = run.recorded(&none);
    window.typingBox().insertAtEnd(text);
    window.station().transmit().typingBoxChanged();
    window.menus().mnuTX->trigger();
    char title[200];
    std::snprintf(title, sizeof title, "Tavrik, %d WPM, PARIS x %d (%s, %s)", wpm, kWords, priority.lastRaiseDescription(),
                  QGuiApplication::platformName().toLocal8Bit().constData());
    const std::vector<std::int64_t> edges = EdgesSince(run.recorded, before);
    return PrintAccuracy(title, edges, clock.frequency(),
                         WithOwnWordSpace(ideal, edges, window.station().keyer().state().dotMs, "Tavrik"));
}

int Spawn(const std::vector<std::string>& args, const std::vector<std::string>& environment)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> env = environment;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, "LD_PRELOAD=", 11) != 0)
            env.emplace_back(*e);
    }
    std::vector<char*> envp;
    for (const std::string& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&quiet);
    return failed != 0 ? -1 : pid;
}

std::vector<std::int64_t> ReadStamps(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::int64_t> stamps(bytes.size() / sizeof(std::int64_t));
    std::memcpy(stamps.data(), bytes.data(), stamps.size() * sizeof(std::int64_t));
    return stamps;
}

// cwdaemon keys the same text on the same line; its DTR changes are stamped by the recorder
// preloaded into it, and written to a file this bench reads.
double CwdaemonAtTheLine(const Run& run, int wpm)
{
    QTemporaryDir dir;
    const std::string edges = QDir(dir.path()).filePath(QStringLiteral("edges")).toStdString();
    const std::string alias = "/dev/ttyS63"; // a serial port's name: cwdaemon keys DTR of "tty" devices
    const int port = 16789 + ::getpid() % 1000;
    const std::string libs = run.cwdaemonDir + "/usr/lib/x86_64-linux-gnu";
    const int pid = Spawn({run.cwdaemonDir + "/usr/sbin/cwdaemon", "-n", "-d", alias.substr(5), "-x", "n", "-s", std::to_string(wpm),
                           "-p", std::to_string(port), "-P", "-20", "-y", "n"},
                          {"LD_PRELOAD=" RECORDER_LIBRARY, "LD_LIBRARY_PATH=" + libs, "TAVRIK_RECORDED_EDGES=" + edges,
                           "TAVRIK_RECORDED_ALIAS=" + alias});
    if (pid < 0) {
        std::printf("cwdaemon: cannot start %s/usr/sbin/cwdaemon\n", run.cwdaemonDir.c_str());
        return -1;
    }
    const int udp = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const auto say = [&](const std::string& text) {
        ::sendto(udp, text.data(), text.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    };
    std::this_thread::sleep_for(std::chrono::seconds(2)); // it opens its line and its socket
    const QString text = RepeatedWord(QStringLiteral("PARIS"), kWords);
    const auto ideal = IdealIntervalsMs(text, 1200.0 / wpm, TimingRatios{});
    say(text.toStdString());
    // The text takes 50 dots a word; then a little more for a slow start.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWords * 50 * 1200 / wpm + 5000);
    while (ReadStamps(edges).size() < ideal.size() + 1 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    say("\x1b" "5"); // exit
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    ::close(udp);
    char title[120];
    std::snprintf(title, sizeof title, "cwdaemon, %d WPM, PARIS x %d (nice -20)", wpm, kWords);
    const std::vector<std::int64_t> stamps = ReadStamps(edges);
    return PrintAccuracy(title, stamps, 1'000'000'000, WithOwnWordSpace(ideal, stamps, 1200.0 / wpm, "cwdaemon"));
}

// A private X server for the window, when no display is given.
class PrivateDisplay {
public:
    PrivateDisplay()
    {
        if (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            return;
        for (int n = 90 + ::getpid() % 100; n < 300; ++n) {
            const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
            struct stat info {};
            if (::stat(lock.c_str(), &info) == 0)
                continue;
            pid_ = Spawn({"/usr/bin/Xvfb", ":" + std::to_string(n), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"}, {});
            const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
            for (int i = 0; i < 100 && ::stat(socket.c_str(), &info) != 0; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (pid_ > 0 && ::stat(socket.c_str(), &info) == 0)
                setenv("DISPLAY", (":" + std::to_string(n)).c_str(), 1);
            return;
        }
    }
    ~PrivateDisplay()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }

private:
    int pid_ = -1;
};

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
    tavrik::bench::Run run{recorded, device, {}};
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--cwdaemon") == 0)
            run.cwdaemonDir = argv[i + 1];
    }
    const tavrik::bench::PrivateDisplay display;
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::printf("No X display (install xvfb): the window runs offscreen\n");
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    std::printf("Keying PARIS, measured at the key line%s (takes about a minute)\n",
                run.cwdaemonDir.empty() ? "" : ", Tavrik and cwdaemon in turn");
    std::fflush(stdout);
    for (const int wpm : {20, 40}) {
        const double ours = tavrik::bench::KeyAtTheLine(run, wpm);
        if (run.cwdaemonDir.empty())
            continue;
        const double theirs = tavrik::bench::CwdaemonAtTheLine(run, wpm);
        if (ours >= 0 && theirs > 0)
            std::printf("%d WPM: p99 Tavrik %.1f us, cwdaemon %.1f us: Tavrik's is %.3f of cwdaemon's (target at most 0.1)\n",
                        wpm, ours, theirs, ours / theirs);
    }
    ::close(master);
    return 0;
}
