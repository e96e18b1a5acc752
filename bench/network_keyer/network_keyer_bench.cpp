// From a datagram sent to the first key-down it makes: Tavrik's network keyer (the window
// offscreen, its key line stamped where the keyer writes it) beside cwdaemon where an unpacked
// copy is present (its DTR key line on a pseudo-terminal, stamped by a preloaded probe).
// A client thread sends "E" at irregular intervals and stamps each send on CLOCK_MONOTONIC.
#include "operator/frm_tavrik.h"
#include "platform/clock.h"
#include "platform/parallel_port.h"
#include "platform/priority.h"
#include "support/isolated_runtime_dir.h"
#include "support/stamping_port_io.h"
#include "support/window_fakes.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace tavrik::bench {
namespace {

constexpr int kRuns = 200;

std::int64_t NowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

quint16 FreeUdpPort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

// A logger in a thread of its own: each request stamped the moment before it is sent.
class Client {
public:
    explicit Client(quint16 port) : socket_(::socket(AF_INET, SOCK_DGRAM, 0))
    {
        to_.sin_family = AF_INET;
        to_.sin_port = htons(port);
        to_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    }
    ~Client() { ::close(socket_); }
    std::int64_t send(const char* text)
    {
        const std::int64_t at = NowNs();
        ::sendto(socket_, text, std::char_traits<char>::length(text), 0, reinterpret_cast<const sockaddr*>(&to_), sizeof to_);
        return at;
    }
    // "E" at intervals long enough for the letter and its end, never in step with a timer.
    std::vector<std::int64_t> sendLetters(int runs, int wpm)
    {
        std::mt19937 random(7);
        std::uniform_int_distribution<int> jitter(0, 25'000);
        const int gapUs = 4 * 1'200'000 / wpm + 60'000;
        std::vector<std::int64_t> sent;
        for (int i = 0; i < runs; ++i) {
            ::usleep(static_cast<useconds_t>(gapUs + jitter(random)));
            sent.push_back(send("E"));
        }
        ::usleep(static_cast<useconds_t>(gapUs));
        return sent;
    }

private:
    int socket_;
    sockaddr_in to_{};
};

struct Figures {
    std::size_t count = 0;
    double medianMs = 0;
    double p99Ms = 0;
    double worstMs = 0;
};

// Each send against the first key-down after it and before the next send.
Figures Latencies(const std::vector<std::int64_t>& sent, const std::vector<std::int64_t>& keyDowns)
{
    std::vector<double> ms;
    for (std::size_t i = 0; i < sent.size(); ++i) {
        const std::int64_t until = i + 1 < sent.size() ? sent[i + 1] : INT64_MAX;
        const auto down = std::lower_bound(keyDowns.begin(), keyDowns.end(), sent[i]);
        if (down != keyDowns.end() && *down < until)
            ms.push_back(static_cast<double>(*down - sent[i]) / 1e6);
    }
    Figures f;
    f.count = ms.size();
    if (ms.empty())
        return f;
    std::sort(ms.begin(), ms.end());
    f.medianMs = ms[ms.size() / 2];
    f.p99Ms = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
    f.worstMs = ms.back();
    return f;
}

Figures MeasureTavrik(int wpm)
{
    test::IsolatedRuntimeDir runtime;
    QTemporaryDir dir;
    const quint16 port = FreeUdpPort();
    QFile ini(QDir(dir.path()).filePath(QStringLiteral("TAVRIK.INI")));
    ini.open(QIODevice::WriteOnly);
    ini.write(QStringLiteral("[frmTavrik Settings]\nPTT Delay=0\nSlow Typing=OFF\nKeying=VOX\nWPM=%1\n"
                             "[Devices]\nSidetone Output=none\n[Network Keyer]\nEnabled=ON\nPort=%2\n")
                  .arg(wpm)
                  .arg(port)
                  .toUtf8());
    ini.close();
    MonotonicClock clock;
    SchedulerPriority priority;
    test::StampingPortIo parallel(clock);
    test::NoModemLines modemLines;
    test::SilentDialogs dialogs;
    FrmTavrik window(TavrikDevices{clock, priority, parallel, modemLines, dialogs});
    window.formLoad({dir.path(), QString()});
    window.show();

    std::vector<std::int64_t> sent;
    std::thread logger([&] {
        Client client(port);
        sent = client.sendLetters(kRuns, wpm);
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    QApplication::exec();
    logger.join();
    window.close();
    // Every other edge, from the first, is a key-down; the clock counts nanoseconds on
    // CLOCK_MONOTONIC, as the client's stamps do.
    std::vector<std::int64_t> keyDowns;
    for (std::size_t i = 0; i < parallel.keyEdges.size(); i += 2)
        keyDowns.push_back(parallel.keyEdges[i]);
    return Latencies(sent, keyDowns);
}

// cwdaemon with the probe preloaded, keying DTR on a pseudo-terminal.
std::optional<Figures> MeasureCwdaemon(const QString& program, const QString& probe, int wpm)
{
    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        return std::nullopt;
    const std::string device = std::string(::ttyname(slave)).substr(5); // "pts/N"
    int stamps[2];
    if (::pipe(stamps) != 0)
        return std::nullopt;
    ::fcntl(stamps[0], F_SETFD, FD_CLOEXEC);
    const quint16 port = FreeUdpPort();
    const QString libraries = QFileInfo(program).absoluteDir().absoluteFilePath(QStringLiteral("../lib/x86_64-linux-gnu"));
    std::vector<std::string> env = {"LD_PRELOAD=" + probe.toStdString(), "LD_LIBRARY_PATH=" + libraries.toStdString(),
                                    "TAVRIK_KEY_PROBE_FD=" + std::to_string(stamps[1])};
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string path = program.toStdString();
    const std::string portText = std::to_string(port);
    const std::string wpmText = std::to_string(wpm);
    std::vector<std::string> args = {path, "-n", "-x", "n", "-d", device, "-p", portText, "-s", wpmText};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(stamps[1]);
    if (spawned != 0)
        return std::nullopt;
    ::usleep(500'000);

    std::vector<std::int64_t> keyDowns;
    std::atomic<bool> done{false};
    std::thread reader([&] {
        pollfd p{stamps[0], POLLIN, 0};
        while (!done) {
            if (::poll(&p, 1, 100) <= 0)
                continue;
            std::int64_t ns = 0;
            if (::read(stamps[0], &ns, sizeof ns) != sizeof ns)
                break;
            keyDowns.push_back(ns);
        }
    });
    Client client(port);
    const std::vector<std::int64_t> sent = client.sendLetters(kRuns, wpm);
    done = true;
    reader.join();
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    ::close(stamps[0]);
    ::close(master);
    ::close(slave);
    return Latencies(sent, keyDowns);
}

void Row(const char* keyer, int wpm, const std::optional<Figures>& f)
{
    if (!f) {
        std::printf("| %-9s | %3d | %s |\n", keyer, wpm, "not measured");
        return;
    }
    std::printf("| %-9s | %3d | %4zu/%d | %8.3f | %8.3f | %8.3f |\n", keyer, wpm, f->count, kRuns, f->medianMs, f->p99Ms,
                f->worstMs);
}

} // namespace
} // namespace tavrik::bench

int main(int argc, char** argv)
{
    using namespace tavrik::bench;
    QApplication app(argc, argv);
    const QString cwdaemon = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/cwdaemon/usr/sbin/cwdaemon");
    const QString probe = QStringLiteral(KEY_PROBE);
    const bool withCwdaemon = QFileInfo(cwdaemon).isExecutable();
    std::printf("Datagram \"E\" to its first key-down, %d sends a row, ms\n\n", kRuns);
    std::printf("| keyer     | WPM | keyed    | median   | p99      | worst    |\n");
    std::printf("|-----------|-----|----------|----------|----------|----------|\n");
    for (const int wpm : {20, 40}) {
        Row("Tavrik", wpm, MeasureTavrik(wpm));
        if (withCwdaemon)
            Row("cwdaemon", wpm, MeasureCwdaemon(cwdaemon, probe, wpm));
    }
    if (!withCwdaemon)
        std::printf("\ncwdaemon not found at %s: apt-get download cwdaemon libcw7, dpkg -x both into /tmp/cwdaemon\n",
                    qPrintable(cwdaemon));
    return 0;
}
