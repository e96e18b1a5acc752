#include "operator/lamp.h"
#include "operator/tavrik_menus.h"
#include "rig/rig_keyer.h"
#include "support/qt_print.h"
#include "support/rig_peers.h"
#include "support/station_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

namespace tavrik {
namespace {

QString RigIni(std::uint16_t port, const QString& more)
{
    return test::Station::QuickMainSection() + more + QStringLiteral("[Rig Control]\nPort=%1\n").arg(port);
}

// Where `needle` first occurs in the log, or -1.
int IndexOf(const std::vector<std::string>& log, const std::string& needle, int from = 0)
{
    for (int i = from; i < static_cast<int>(log.size()); ++i) {
        if (log[static_cast<std::size_t>(i)].find(needle) != std::string::npos)
            return i;
    }
    return -1;
}

bool WaitUntilIdle(FrmTavrik& window)
{
    return QTest::qWaitFor([&] { return !window.station().keyer().state().isSending; }, 15000);
}

TEST(RadioPtt, SwitchesThroughRigctldAroundTheKeyLine)
{
    test::RealRigctld rigctld;
    ASSERT_TRUE(rigctld.listening());
    // The port's own PTT is off: PTT through the radio is switched all the same.
    test::Station station(RigIni(rigctld.port(), QStringLiteral("PTT=OFF\n")) + QStringLiteral("PTT=ON\n"));
    FrmTavrik& window = station.window();
    window.station().transmit().appendToTypingBox(QStringLiteral("EE"));
    ASSERT_TRUE(WaitUntilIdle(window));

    EXPECT_EQ(station.log.only({"key down"}).size(), 2u);
    EXPECT_TRUE(station.log.only({"ptt on", "ptt off"}).empty()) << "the port's PTT line stays put";
    const std::vector<std::string> log = rigctld.commands();
    const int on = IndexOf(log, "T 'currVFO' '1'");
    const int off = IndexOf(log, "T 'currVFO' '0'");
    EXPECT_GE(on, 0);
    EXPECT_GT(off, on);
    EXPECT_FALSE(window.pttLamp().isOn());
    EXPECT_TRUE(window.typingBox().notice().isEmpty()) << window.typingBox().notice().toStdString();
}

TEST(RadioPtt, OffLeavesPttOnThePort)
{
    test::FakeRigctld peer(test::FakeRigctld::Mode::Answer);
    test::Station station(RigIni(peer.port(), QStringLiteral("PTT=ON\n")));
    station.window().station().transmit().appendToTypingBox(QStringLiteral("E"));
    ASSERT_TRUE(WaitUntilIdle(station.window()));
    EXPECT_EQ(station.log.only({"ptt on", "ptt off"}).size(), 2u);
    EXPECT_TRUE(peer.commands().empty());
}

TEST(RadioPtt, EveryFaultEndsTheTransmissionAndSaysWhy)
{
    using Mode = test::FakeRigctld::Mode;
    const struct {
        const char* name;
        std::optional<Mode> peer; // none: nothing listens
        const char* answer;
        int answered;
        const char* told;
    } cases[] = {
        {"nothing listening", std::nullopt, "", 0, "nothing listens for rigctld at 127.0.0.1:"},
        {"invalid parameter", Mode::Answer, "RPRT -1", 0, "refused \"T 1\": Invalid parameter (RPRT -1)"},
        {"not available", Mode::Answer, "RPRT -11", 0, "refused \"T 1\": Feature not available (RPRT -11)"},
        {"stall", Mode::Stall, "", 0, "did not answer \"T 1\" within 500 ms"},
        {"closed with PTT on", Mode::CloseAfter, "", 1, "closed the connection"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<test::FakeRigctld> peer;
        if (c.peer)
            peer.emplace(*c.peer, c.answer, c.answered);
        const std::uint16_t port = peer ? peer->port() : test::FreeTcpPort();
        test::Station station(RigIni(port, QStringLiteral("PTT=ON\n")) + QStringLiteral("PTT=ON\n"));
        FrmTavrik& window = station.window();
        QElapsedTimer took;
        took.start();
        window.station().transmit().appendToTypingBox(QStringLiteral("PARIS PARIS"));
        ASSERT_TRUE(WaitUntilIdle(window));
        EXPECT_LT(took.elapsed(), 5000) << "the window never hangs";

        EXPECT_TRUE(window.typingBox().notice().startsWith(QLatin1String(RigKeyer::kErrorPrefix)))
            << window.typingBox().notice().toStdString();
        EXPECT_TRUE(window.typingBox().notice().contains(QLatin1String(c.told))) << window.typingBox().notice().toStdString();
        EXPECT_EQ(window.typingBox().text(), QString()) << "what was not sent is dropped";
        const auto keyed = station.log.only({"key down", "key up"});
        EXPECT_EQ(keyed.size() % 2, 0u) << "the key is up";
        // "T 1" failed: nothing keyed; closed later: the rest of the 28 elements is not keyed.
        EXPECT_LE(keyed.size(), c.peer == Mode::CloseAfter ? 54u : 0u);
        EXPECT_TRUE(station.log.only({"ptt on", "ptt off"}).empty());
        EXPECT_FALSE(window.pttLamp().isOn());
        if (peer) {
            // PTT off handed over on a fresh connection, unanswered; the failed transmission
            // asks nothing more after it.
            EXPECT_TRUE(QTest::qWaitFor([&] { return peer->received("T 0"); }, 5000));
            QTest::qWait(100);
            const auto sent = peer->commands();
            EXPECT_EQ(std::count(sent.begin(), sent.end(), std::string("T 1")), 1);
        }
        // The next transmission tries the radio again.
        const std::size_t before = peer ? peer->commands().size() : 0;
        window.station().transmit().appendToTypingBox(QStringLiteral("E"));
        ASSERT_TRUE(WaitUntilIdle(window));
        if (peer) {
            EXPECT_GT(peer->commands().size(), before);
        }
    }
}

class RigKeyerTest : public ::testing::Test {
protected:
    test::RealRigctld rigctld;
    std::unique_ptr<test::Station> station;
    void start(const QString& more = QString())
    {
        ASSERT_TRUE(rigctld.listening());
        station = std::make_unique<test::Station>(
            RigIni(rigctld.port(), QStringLiteral("Keyer to Use=Rig\nWPM=50\n") + more));
    }
};

TEST_F(RigKeyerTest, SendsTheBoxInPiecesWithSpeedChangesAtTheirPlace)
{
    start();
    FrmTavrik& window = station->window();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Tavrik - Rig"));
    EXPECT_FALSE(window.menus().mnuSoftwareKeyer->isChecked());
    window.station().transmit().appendToTypingBox(QStringLiteral("CQ »K1ABC/PORTABLE «TEST"));
    EXPECT_TRUE(window.station().keyer().state().isSending);
    ASSERT_TRUE(WaitUntilIdle(window));

    const std::vector<std::string> log = rigctld.commands();
    const char* const expected[] = {"L 'currVFO' 'KEYSPD' '50'", "b 'currVFO' 'CQ '", "L 'currVFO' 'KEYSPD' '52'",
                                    "b 'currVFO' 'K1ABC/'", "b 'currVFO' 'PORTAB'", "b 'currVFO' 'LE '",
                                    "L 'currVFO' 'KEYSPD' '50'", "b 'currVFO' 'TEST'"};
    int at = 0;
    for (const char* line : expected) {
        const int found = IndexOf(log, line, at);
        EXPECT_GE(found, at) << line;
        at = found + 1;
    }
    EXPECT_EQ(window.typingBox().text(), QString());
    EXPECT_EQ(window.station().keyer().state().wpm, 50);
    EXPECT_TRUE(window.typingBox().notice().isEmpty()) << window.typingBox().notice().toStdString();
}

TEST_F(RigKeyerTest, AbortStopsTheRadioAndSendsNothingMore)
{
    start(QStringLiteral("WPM=20\n"));
    FrmTavrik& window = station->window();
    for (int run = 0; run < 2; ++run) {
        window.station().transmit().appendToTypingBox(QStringLiteral("PARIS PARIS PARIS PARIS PARIS"));
        QTest::qWait(200);
        window.station().transmit().abort();
        EXPECT_FALSE(window.station().keyer().state().isSending);
        EXPECT_EQ(window.typingBox().text(), QString());
    }
    QTest::qWait(1500);
    const std::vector<std::string> log = rigctld.commands();
    const auto count = [&](const std::string& needle) {
        return std::count_if(log.begin(), log.end(), [&](const std::string& l) { return l.find(needle) != std::string::npos; });
    };
    EXPECT_EQ(count("b 'currVFO'"), 2) << "one piece a transmission, nothing after the abort";
    // The dummy radio has no stop: it answers "not available" once and is not asked again.
    // Only "L", "b" and the stop are sent; rigctld logs the stop's long name garbled.
    const auto stops = std::count_if(log.begin(), log.end(), [](const std::string& l) {
        return l.rfind("L ", 0) != 0 && l.rfind("b ", 0) != 0;
    });
    EXPECT_EQ(stops, 1);
}

TEST(RigKeyerFaults, ClosedOrStalledRigctldEndsTheTransmission)
{
    using Mode = test::FakeRigctld::Mode;
    const struct {
        Mode mode;
        int answered;
        const char* told;
    } cases[] = {
        {Mode::CloseAfter, 2, "closed the connection"},
        {Mode::Stall, 0, "did not answer \"L KEYSPD 20\" within 500 ms"},
        {Mode::Answer, 0, "refused \"L KEYSPD 20\": Feature not available (RPRT -11)"},
    };
    for (const auto& c : cases) {
        test::FakeRigctld peer(c.mode, "RPRT -11", c.answered);
        test::Station station(RigIni(peer.port(), QStringLiteral("Keyer to Use=Rig\nWPM=20\n")));
        FrmTavrik& window = station.window();
        window.station().transmit().appendToTypingBox(QStringLiteral("PARIS PARIS PARIS"));
        ASSERT_TRUE(WaitUntilIdle(window));
        EXPECT_TRUE(window.typingBox().notice().contains(QLatin1String(c.told))) << window.typingBox().notice().toStdString();
        EXPECT_EQ(window.typingBox().text(), QString());
        if (c.mode != Mode::Answer) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return peer.received("\\stop_morse"); }, 5000));
        }
    }
}

TEST(RigControlDialog, StoresWhatItShowsAndTheRigIsAKeyerChoice)
{
    test::Station station;
    FrmTavrik& window = station.window();
    window.findChild<QAction*>(QStringLiteral("mnuRigControl"))->trigger();
    auto* dialog = window.findChild<QDialog*>(QStringLiteral("frmRigControl"));
    ASSERT_NE(dialog, nullptr);
    auto* host = dialog->findChild<QLineEdit*>(QStringLiteral("txtRigHost"));
    auto* port = dialog->findChild<QSpinBox*>(QStringLiteral("spnRigPort"));
    auto* ptt = dialog->findChild<QCheckBox*>(QStringLiteral("ckRigPtt"));
    EXPECT_EQ(host->text(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(port->value(), 4532);
    EXPECT_FALSE(ptt->isChecked());
    host->setText(QStringLiteral("radio.local"));
    port->setValue(4600);
    ptt->setChecked(true);
    dialog->findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
    const QString ini = station.iniText();
    EXPECT_TRUE(ini.contains(QStringLiteral("[Rig Control]\nHost=radio.local\nPort=4600\nPTT=ON")) ||
                ini.contains(QStringLiteral("[Rig Control]\r\nHost=radio.local\r\nPort=4600\r\nPTT=ON")))
        << ini.toStdString();
    EXPECT_TRUE(window.station().keyer().options().pttThroughRadio);

    QAction* rig = window.findChild<QAction*>(QStringLiteral("mnuRigKeyer"));
    rig->trigger();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Tavrik - Rig"));
    EXPECT_TRUE(station.iniText().contains(QStringLiteral("Keyer to Use=Rig")));
    EXPECT_FALSE(window.menus().mnuSoftwareKeyer->isChecked());
    EXPECT_EQ(window.station().keyerChoice(), KeyerChoice::Rig);
    window.menus().mnuSoftwareKeyer->trigger();
    EXPECT_FALSE(rig->isChecked());
    EXPECT_EQ(window.station().keyerChoice(), KeyerChoice::Software);
}

} // namespace
} // namespace tavrik
