// Cost of one link poll and the round trip of a shared-serial key request to the
// logging-program stand-in, in microseconds.

#include "link/link.h"
#include "platform/runtime_dir.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using tavrik::Link;
using tavrik::LinkHost;
using tavrik::LinkOpenOutcome;

// A window whose fields already show what the block holds: the steady state of Timer1.
class SteadyHost final : public LinkHost {
public:
    QString callsignText() const override { return QStringLiteral("K1ABC"); }
    QString nameText() const override { return QStringLiteral("Bob"); }
    QString srxText() const override { return QStringLiteral("599 042"); }
    void setCallsignText(const QString&) override {}
    void setNameText(const QString&) override {}
    void setSrxText(const QString&) override {}
    void closeMainWindow() override {}
    void restoreMainWindow() override {}
    void minimizeMainWindow() override {}
    void pressKey(int, int) override {}
    void addCallsignToHistory() override {}
    void selectRadioPin(int) override {}
    void showLinkProblem(const QString&) override {}
};

struct Figures {
    double median;
    double p99;
};

Figures Measure(int count, const std::function<void(int)>& step)
{
    std::vector<double> us;
    us.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const auto start = std::chrono::steady_clock::now();
        step(i);
        const auto end = std::chrono::steady_clock::now();
        us.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us[std::min(us.size() - 1, us.size() * 99 / 100)]};
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir parent;
    qputenv("TAVRIK_RUNTIME_DIR", (parent.path() + QStringLiteral("/rt")).toLocal8Bit());

    QProcess standIn;
    standIn.setProgram(QStringLiteral(VORBEL32_STANDIN));
    standIn.setStandardOutputFile(QProcess::nullDevice());
    standIn.start();
    if (!standIn.waitForStarted(5000)) {
        std::fprintf(stderr, "link_bench: cannot start %s\n", VORBEL32_STANDIN);
        return 1;
    }
    standIn.write("slot 0 K1ABC\nslot 1 Bob\nslot 6 599 042\nslot 3 SM5XYZ\nslot 4 20M\nslot 7 1\n");
    standIn.waitForBytesWritten(5000);

    SteadyHost host;
    Link link(host);
    QDeadlineTimer deadline(5000);
    while (link.open() != LinkOpenOutcome::Up || !link.peerFound() || link.activeRadio() != 1) {
        if (deadline.hasExpired()) {
            std::fprintf(stderr, "link_bench: the stand-in did not come up\n");
            return 1;
        }
        QThread::msleep(10);
        link.pollLink();
    }

    constexpr int kPolls = 20000;
    constexpr int kRequests = 5000;
    for (int i = 0; i < 1000; ++i)
        link.pollLink();
    const Figures poll = Measure(kPolls, [&](int) { link.pollLink(); });
    const Figures request = Measure(kRequests, [&](int i) { link.sendRequest(i % 2 == 0 ? 401 : 301); });

    std::printf("pollLink: median %.2f us, p99 %.2f us (%d polls; target under 20 us)\n", poll.median, poll.p99, kPolls);
    std::printf("shared-serial request round trip: median %.1f us, p99 %.1f us (%d requests; target p99 under 200 us)\n",
                request.median, request.p99, kRequests);

    standIn.terminate();
    standIn.waitForFinished(5000);
    return 0;
}
