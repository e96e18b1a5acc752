// Tavrik's window offscreen, on a simulated clock and a recording port, driven over UDP by a
// client as a logger drives it.
#include "keyer/element_timing.h"
#include "netkeyer/network_keyer.h"
#include "operator/network_keyer_bridge.h"
#include "support/station_fixture.h"

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <cmath>

namespace tavrik {
namespace {

using netkeyer::NetworkKeyer;

quint16 FreeUdpPort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

QString NetworkIni(quint16 port, const QString& more = QString())
{
    return test::Station::QuickMainSection() + more
           + QStringLiteral("[Network Keyer]\nEnabled=ON\nPort=%1\n").arg(port);
}

// A logger: sends requests and collects what comes back.
class Client {
public:
    explicit Client(quint16 port) : port_(port) { socket_.bind(QHostAddress::LocalHost, 0); }
    void send(const QByteArray& request) { socket_.writeDatagram(request, QHostAddress::LocalHost, port_); }
    // The next reply, or nothing within the bound; the window runs meanwhile.
    std::optional<QByteArray> reply(int timeoutMs = 10000)
    {
        if (!QTest::qWaitFor([this] { return socket_.hasPendingDatagrams(); }, timeoutMs))
            return std::nullopt;
        return socket_.receiveDatagram().data();
    }
    QUdpSocket& socket() { return socket_; }

private:
    quint16 port_;
    QUdpSocket socket_;
};

struct Keyed {
    std::vector<double> marks; // ms
    std::vector<double> gaps;
};

Keyed Timing(const test::EdgeLog& log)
{
    Keyed k;
    const std::vector<test::Edge> edges = log.only({"key down", "key up"});
    for (std::size_t i = 1; i < edges.size(); ++i) {
        const double ms = test::SimulatedClock::toMs(edges[i].time - edges[i - 1].time);
        (edges[i].what == "key up" ? k.marks : k.gaps).push_back(ms);
    }
    return k;
}

bool WaitUntilIdle(test::Station& station)
{
    FrmTavrik& w = station.window();
    return QTest::qWaitFor([&] { return !w.station().keyer().state().isSending && w.typingBox().length() == 0; }, 20000);
}

void ExpectNear(const std::vector<double>& got, const std::vector<double>& want, const char* what)
{
    ASSERT_EQ(got.size(), want.size()) << what;
    for (std::size_t i = 0; i < got.size(); ++i)
        EXPECT_NEAR(got[i], want[i], 0.5) << what << " " << i;
}

TEST(NetworkKeyer, KeysEachRequestAtItsPlace)
{
    const double d20 = DotMsFromWpm(20, {});
    const double d22 = DotMsFromWpm(22, {});
    const double d40 = DotMsFromWpm(40, {});
    const double d30 = DotMsFromWpm(30, {});
    const struct {
        const char* name;
        std::vector<QByteArray> requests; // sent together, before Tavrik reads any
        std::vector<double> marks;
        std::vector<double> gaps;
        int wpmAfter;
    } cases[] = {
        {"speed while idle is the operator's", {"\x1b" "230", "E"}, {d30}, {}, 30},
        {"speed between two texts changes only the second",
         {"EE", "\x1b" "240", "EE"}, {d20, d20, d40, d40}, {3 * d20, 3 * d40, 3 * d40}, 40},
        {"plus steps at its place and lasts the transmission", {"E+E"}, {d20, d22}, {3 * d22}, 20},
        {"tilde stretches the gap after the next letter", {"E~EE"}, {d20, d20, d20}, {3 * d20, 4.5 * d20}, 20},
        {"a prosign is one sign", {"*"}, {d20, 3 * d20, d20, 3 * d20, d20}, {d20, d20, d20, d20}, 20},
        {"a speed out of range is dropped", {"\x1b" "261", "E"}, {d20}, {}, 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const quint16 port = FreeUdpPort();
        test::Station station(NetworkIni(port));
        ASSERT_TRUE(station.window().networkKeyer().listening());
        Client client(port);
        for (const QByteArray& r : c.requests)
            client.send(r);
        client.send("\x1b" "h");
        client.send("^");
        ASSERT_TRUE(client.reply()) << "the end of the queue is told";
        ASSERT_TRUE(WaitUntilIdle(station));
        const Keyed k = Timing(station.log);
        ExpectNear(k.marks, c.marks, "marks");
        ExpectNear(k.gaps, c.gaps, "gaps");
        EXPECT_EQ(station.window().station().keyer().state().wpm, c.wpmAfter);
    }
}

TEST(NetworkKeyer, RepliesOnceKeyedAndBreakOnAbort)
{
    const quint16 port = FreeUdpPort();
    test::Station station(NetworkIni(port));
    Client client(port);

    client.send("\x1b" "hcat");
    client.send("EE");
    EXPECT_EQ(client.reply(), QByteArray("hcat\r\n"));
    EXPECT_EQ(station.keyDowns(), 2u) << "the reply comes once the text is keyed";
    client.send("TU^ ignored");
    EXPECT_EQ(client.reply(), QByteArray("TU\r\n"));
    EXPECT_EQ(station.keyDowns(), 6u);

    // An abort ends the text after the letter being keyed, and the reply waiting for it says so.
    station.log.edges.clear();
    client.send("\x1b" "hx");
    client.send("PARIS PARIS");
    client.send("\x1b" "4");
    EXPECT_EQ(client.reply(), QByteArray("break\r\n"));
    ASSERT_TRUE(WaitUntilIdle(station));
    EXPECT_EQ(station.keyDowns(), 4u) << "P only";

    // Word mode keys the whole text in spite of an abort, until a reset.
    station.log.edges.clear();
    client.send("\x1b" "6");
    client.send("EEE^");
    client.send("\x1b" "4");
    EXPECT_EQ(client.reply(), QByteArray("EEE\r\n"));
    EXPECT_EQ(station.keyDowns(), 3u);
    client.send("\x1b" "0");
    client.send("\x1b" "hy");
    client.send("\x1b" "4");
    EXPECT_EQ(client.reply(), QByteArray("break\r\n")) << "an armed reply is spent by the abort";
    EXPECT_FALSE(client.reply(300)) << "nothing more";

    // A tune ends by itself, the lines released; one shorter than asked when aborted.
    station.log.edges.clear();
    client.send("\x1b" "c1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return station.window().station().transmit().tuneActive(); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !station.window().station().transmit().tuneActive(); }, 5000));
    EXPECT_EQ(station.log.names({"key down", "key up"}), (std::vector<std::string>{"key down", "key up"}));
    client.send("\x1b" "c10");
    ASSERT_TRUE(QTest::qWaitFor([&] { return station.window().station().transmit().tuneActive(); }, 5000));
    client.send("\x1b" "4");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !station.window().station().transmit().tuneActive(); }, 2000));
}

TEST(NetworkKeyer, BadInputKeysNothing)
{
    const quint16 port = FreeUdpPort();
    test::Station station(NetworkIni(port, QStringLiteral("PTT=ON\n")));
    Client client(port);
    {
        // A logger that goes away with a reply pending.
        Client gone(port);
        gone.send("\x1b" "hgone");
        gone.send("E");
    }
    for (const QByteArray& bad : {QByteArray(300, 'E'), QByteArray(), QByteArray("\r\n"), QByteArray("\x1b"),
                                  QByteArray("\x1bz"), QByteArray("\x1b" "2abc"), QByteArray("\x1b" "5"),
                                  QByteArray("\x1b" "8/dev/ttyS0"), QByteArray("\x1b" "a1"),
                                  QByteArray("\xbb{|}\x01")})
        client.send(bad);
    client.send("E^");
    EXPECT_EQ(client.reply(), QByteArray("E\r\n"));
    ASSERT_TRUE(WaitUntilIdle(station));
    EXPECT_EQ(station.keyDowns(), 2u) << "the two E";
    EXPECT_EQ(station.window().station().keyer().state().wpm, 20);
    EXPECT_TRUE(station.window().networkKeyer().listening()) << "ESC 5 does not end the program";

}

TEST(NetworkKeyer, AFloodIsBoundedAndAbortedAsTypedText)
{
    const quint16 port = FreeUdpPort();
    // Manual sending: the flood waits in the box, where its bound shows.
    test::Station station(QStringLiteral("[frmTavrik Settings]\nKeying=MOX\nPTT Delay=0\nSlow Typing=OFF\nPTT=ON\n")
                          + QStringLiteral("[Network Keyer]\nEnabled=ON\nPort=%1\n").arg(port));
    Client client(port);
    const QByteArray text(200, 'E');
    for (int i = 0; i < 100; ++i)
        client.send(text);
    client.send("\x1b" "hflood");
    client.send("^");
    CwTextBox& box = station.window().typingBox();
    ASSERT_TRUE(QTest::qWaitFor([&] { return box.length() >= NetworkKeyer::kLongestQueue - 200; }, 10000));
    QTest::qWait(100);
    EXPECT_LE(box.length(), NetworkKeyer::kLongestQueue);
    EXPECT_FALSE(client.reply(100)) << "nothing has been keyed";
    client.send("\x1b" "4");
    EXPECT_EQ(client.reply(), QByteArray("break\r\n"));
    EXPECT_EQ(box.length(), 0);
    EXPECT_EQ(station.keyDowns(), 0u);
    EXPECT_TRUE(station.log.only({"ptt on"}).empty());
}

TEST(NetworkKeyer, SettingsMenuAndATakenPortToldInWords)
{
    const quint16 port = FreeUdpPort();
    QUdpSocket other;
    ASSERT_TRUE(other.bind(QHostAddress::LocalHost, port));
    test::Station station(NetworkIni(port));
    NetworkKeyerBridge& bridge = station.window().networkKeyer();
    EXPECT_FALSE(bridge.listening());
    EXPECT_EQ(bridge.statusText(), QStringLiteral("Network keyer off: port %1 is taken by another program").arg(port));

    other.close();
    QAction* entry = station.window().findChild<QAction*>(QStringLiteral("mnuNetworkKeyer"));
    ASSERT_TRUE(entry && entry->isChecked());
    entry->trigger();
    EXPECT_TRUE(bridge.statusText().isEmpty());
    EXPECT_TRUE(station.iniText().contains(QStringLiteral("Enabled=OFF")));
    entry->trigger();
    EXPECT_TRUE(bridge.listening());
    EXPECT_EQ(bridge.statusText(), QStringLiteral("Network keyer listening on 127.0.0.1:%1").arg(port));
    EXPECT_TRUE(station.iniText().contains(QStringLiteral("Enabled=ON")));

    // Another address than loopback is the operator's choice, told what it means.
    QAction* setup = station.window().findChild<QAction*>(QStringLiteral("mnuNetworkKeyerSetup"));
    ASSERT_TRUE(setup);
    setup->trigger();
    auto* dialog = station.window().findChild<QDialog*>(QStringLiteral("frmNetworkKeyer"));
    ASSERT_TRUE(dialog);
    auto* warning = dialog->findChild<QLabel*>(QStringLiteral("lblNetworkWarning"));
    EXPECT_FALSE(warning->isVisibleTo(dialog));
    dialog->findChild<QLineEdit*>(QStringLiteral("txtNetworkAddress"))->setText(QStringLiteral("0.0.0.0"));
    EXPECT_TRUE(warning->isVisibleTo(dialog));
    dialog->findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
    EXPECT_EQ(bridge.statusText(), QStringLiteral("Network keyer listening on 0.0.0.0:%1").arg(port));
    EXPECT_TRUE(station.iniText().contains(QStringLiteral("Address=0.0.0.0")));
}

TEST(NetworkKeyer, OffByDefault)
{
    test::Station station;
    EXPECT_FALSE(station.window().networkKeyer().listening());
    EXPECT_TRUE(station.window().networkKeyer().statusText().isEmpty());
}

} // namespace
} // namespace tavrik
