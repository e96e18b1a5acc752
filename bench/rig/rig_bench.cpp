// How long a rigctld command holds the window: a round trip to Hamlib's dummy radio, and the
// time a command takes to give up on a peer that stalls or is not there.
#include "support/rig_peers.h"
#include "rig/rigctld_client.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Figures {
    double median;
    double worst;
};

template <typename Command>
Figures Measure(int runs, Command command)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        command();
        ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    using tavrik::RigctldClient;
    using tavrik::test::FakeRigctld;

    const std::uint16_t port = tavrik::test::FreeTcpPort();
    QProcess rigctld;
    rigctld.start(QStringLiteral("rigctld"), {QStringLiteral("-m"), QStringLiteral("1"), QStringLiteral("-T"),
                                              QStringLiteral("127.0.0.1"), QStringLiteral("-t"), QString::number(port)});
    if (!rigctld.waitForStarted(5000)) {
        std::puts("rigctld not found (Debian: libhamlib-utils)");
        return 1;
    }
    RigctldClient client;
    client.setEndpoint({QStringLiteral("127.0.0.1"), port});
    for (int i = 0; i < 100 && !client.request("T 0").ok; ++i)
        QThread::msleep(50);
    const Figures ptt = Measure(50, [&] { client.request("T 1"); client.request("T 0"); });
    std::printf("T 1 + T 0 to the dummy radio:   median %6.1f ms, worst %6.1f ms (50 pairs)\n", ptt.median, ptt.worst);
    const Figures morse = Measure(50, [&] { client.request("bPARIS "); });
    std::printf("b PARIS to the dummy radio:     median %6.1f ms, worst %6.1f ms (50)\n", morse.median, morse.worst);
    rigctld.kill();
    rigctld.waitForFinished();

    // A peer that takes every command and never answers: the bound.
    {
        const FakeRigctld stalled(FakeRigctld::Mode::Stall);
        RigctldClient stalledClient;
        stalledClient.setEndpoint({QStringLiteral("127.0.0.1"), stalled.port()});
        const Figures stall = Measure(5, [&] { stalledClient.request("T 1"); });
        std::printf("T 1 to a stalled peer:          median %6.1f ms, worst %6.1f ms (5; bound %d ms)\n", stall.median,
                    stall.worst, RigctldClient::kAnswerBoundMs);
    }

    RigctldClient nobody;
    nobody.setEndpoint({QStringLiteral("127.0.0.1"), tavrik::test::FreeTcpPort()});
    const Figures refused = Measure(20, [&] { nobody.request("T 1"); });
    std::printf("T 1 with nothing listening:     median %6.1f ms, worst %6.1f ms (20)\n", refused.median, refused.worst);
    return 0;
}
