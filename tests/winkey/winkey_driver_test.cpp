#include "winkey/fake_winkey.h"

#include "winkey/winkey_bytes.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

namespace tavrik {
namespace {

using test::FakeQueue;

class WinKeyDriverTest : public ::testing::Test {
protected:
    WinKeyDriverTest()
    {
        box.trackColours = false;
        WinKeySettings& s = connection.settings();
        s.port = 1;
        s.tone = 752;
        s.pttLeadDelay = 0;
        s.pttLagDelay = 0;
        s.speedMax = 30;
        s.speedMin = 15;
        s.speedFarnsworth = 5;
        s.ditDahRatio = 50;
        s.ditDahWeight = 50;
        s.paddleSwitchpoint = 50;
        s.speed = 15;
        s.pin3 = true;
        s.ptt = true;
        s.paddleInsertCancelsMacro = true;
        // What the window's abort does around the WinKey's part.
        window.onAbort = [this] {
            box.clear();
            handOver.abort();
        };
    }

    void open()
    {
        connection.openWinKey();
        line.take();
    }
    void type(const QString& text)
    {
        box.append(text);
        if (!keyer.state().isSending)
            handOver.start();
    }
    void keyerSends(const QByteArray& bytes)
    {
        line.input += bytes;
        connection.receive();
    }
    QByteArray written() { return line.take().toHex(' '); }

    test::SimulatedClock clock;
    test::EdgeLog log{clock};
    test::RecordingPriority priority{log};
    test::RecordingLines lines{log};
    test::RecordingTone tone{log};
    test::RecordingLink link{log};
    FakeQueue box;
    test::FakeKeyerWindow keyerWindow{log};
    SoftwareKeyer keyer{{clock, priority, lines, tone, box, link, keyerWindow}};
    test::FakeWinKeyLine line;
    test::FakeWinKeyWindow window{box};
    WinKeyConnection connection{line, clock, window};
    WinKeyHandOver handOver{connection, keyer, box, window};
};

TEST_F(WinKeyDriverTest, OpenIntroducesTheKeyerAndLoadsEverything)
{
    connection.settings().radio1Pin3 = true;
    window.radio = 2;
    connection.openWinKey();
    EXPECT_EQ(line.settings, "1200,n,8,2");
    EXPECT_TRUE(line.dtr);
    EXPECT_FALSE(line.rts);
    EXPECT_TRUE(window.keyLamp);
    EXPECT_TRUE(window.dedicatedChecked);
    EXPECT_EQ(written(), "00 02 00 00 ff 0f 14 0f 05 32 00 00 0f 0f 00 00 05 32 32 05 ff 09 09");
    EXPECT_EQ(keyerWindow.speedText, " Keying speed = 15 WPM");
    // The same pin after a change of radio, and after every load.
    window.radio = 1;
    connection.selectRadioPin();
    EXPECT_EQ(written(), "09 05");
    window.radio = 2;
    connection.selectRadioPin();
    EXPECT_EQ(written(), "09 09");
    connection.loadSettings();
    EXPECT_TRUE(written().endsWith("09 09"));
    EXPECT_EQ(window.version, "WinKey 2.3");
}

TEST_F(WinKeyDriverTest, OpenFailures)
{
    struct Case {
        int port;
        bool failOpen;
        QByteArray reply;
        QString message;
        const char* written;
    };
    const Case cases[] = {
        {0, false, "\x17", QStringLiteral("No Comm port selected"), ""},
        {1, true, "\x17", QStringLiteral("CW Port error : /dev/ttyUSB0: No such file or directory"), ""},
        {1, false, "", QStringLiteral("Can't find WinKey"), "00 02"},
        // Something answers, but no WinKey revision: nothing is loaded into it.
        {1, false, "\xFF\x13\x41", QStringLiteral("Can't find WinKey"), "00 02"},
        {1, false, "\x41", QStringLiteral("Can't find WinKey"), "00 02"},
    };
    for (const Case& c : cases) {
        // A keyer found before: its lamp goes off with the failure.
        line.openReply = QByteArray(1, '\x17');
        line.failOpen = false;
        connection.settings().port = 1;
        open();
        ASSERT_TRUE(window.keyLamp);
        line.open = false;
        window.messages.clear();
        connection.settings().port = static_cast<std::int16_t>(c.port);
        line.failOpen = c.failOpen;
        line.openReply = c.reply;
        const std::int64_t before = clock.peek();
        connection.openWinKey();
        ASSERT_EQ(window.messages.size(), 1u) << c.port;
        EXPECT_EQ(window.messages[0], c.message);
        EXPECT_EQ(written(), c.written);
        EXPECT_FALSE(window.keyLamp);
        EXPECT_EQ(window.version, "");
        // The wait for a keyer that never answers is bounded by time, not by the machine.
        EXPECT_LT(test::SimulatedClock::toMs(clock.peek() - before), 4500);
    }
}

TEST_F(WinKeyDriverTest, HandsOverOneCharacterPerEchoAndRestoresTheSpeedAtTheEnd)
{
    open();
    type(QStringLiteral("AB"));
    EXPECT_EQ(written(), "02 0f 41");
    EXPECT_TRUE(keyer.state().isSending);
    type(QStringLiteral("C"));
    EXPECT_EQ(written(), "");
    keyerSends("A");
    EXPECT_EQ(written(), "42");
    // A status report and an echo in one read: the echo still counts.
    keyerSends("\xC4" "B");
    EXPECT_EQ(written(), "43");
    keyerSends("C");
    EXPECT_EQ(written(), "1c 0f");
    EXPECT_TRUE(box.text.isEmpty());
    EXPECT_FALSE(keyer.state().isSending);
    EXPECT_EQ(handOver.charIndex(), 1);
    EXPECT_EQ(window.logChecks, 1);
    EXPECT_EQ(log.names({"controls sending", "controls idle", "arm loop"}),
              (std::vector<std::string>{"controls sending", "controls idle"}));
}

TEST_F(WinKeyDriverTest, UnsendableCharactersAreDroppedAndABarRunIsOneHalfSpace)
{
    open();
    // Small letters are the keyer's capitals; "^" between two letters makes one sign of them.
    type(QStringLiteral("a!^? /||b|s^k^"));
    QByteArray all;
    for (int echoes = 0; echoes < 12 && keyer.state().isSending; ++echoes) {
        const QByteArray bytes = line.take();
        all += ' ' + bytes.toHex(' ');
        // The keyer echoes the last text it was given (both letters of a merged pair).
        const qsizetype merge = bytes.indexOf('\x1B');
        keyerSends(merge >= 0 ? bytes.mid(merge + 1, 2) : bytes.right(1));
    }
    all += ' ' + line.take().toHex(' ');
    EXPECT_EQ(all.simplified().toStdString(), "02 0f 41 3f 20 2f 7c 42 7c 1b 53 4b 1c 0f");
    // A text ending in what the keyer does not take ends as any text does, not as an abort.
    EXPECT_FALSE(keyer.state().isSending);
    EXPECT_EQ(window.aborts, 0);
    EXPECT_EQ(window.logChecks, 1);
}

TEST_F(WinKeyDriverTest, SpeedMarkersAndAbort)
{
    open();
    type(QString(QChar(0xBB)) + QChar(0xBB) + QStringLiteral("AB"));
    EXPECT_EQ(written(), "02 0f 1c 11 1c 13 41");
    EXPECT_EQ(keyer.state().wpm, 19);
    window.abortTransmission();
    // The keyer drops what it holds and goes back to the starting speed; the display keeps
    // the marker's.
    EXPECT_EQ(written(), "0a 1c 0f");
    EXPECT_EQ(keyer.state().wpm, 19);
    EXPECT_FALSE(keyer.state().isSending);
    // The echo of the character already handed over ends nothing more.
    keyerSends("A");
    EXPECT_EQ(written(), "");
}

TEST_F(WinKeyDriverTest, AnalogSpeedFollowsThePotAndSendsNoSpeedCommands)
{
    connection.settings().analogSpeed = true;
    connection.openWinKey();
    EXPECT_TRUE(written().endsWith("ff 02 00 07"));
    keyerSends("\x8A");
    EXPECT_EQ(keyerWindow.speedText, " Keying speed = 25 WPM");
    type(QString(QChar(0xBB)) + QStringLiteral("A"));
    keyerSends("A");
    handOver.stepKeyingSpeed(true);
    EXPECT_EQ(written(), "41");
    EXPECT_TRUE(window.settings.empty());
}

TEST_F(WinKeyDriverTest, PaddleBreakInCancelsTheMacroAndItsEndCountsAsTheEcho)
{
    connection.settings().holdRadioPolling = true;
    open();
    type(QStringLiteral("CQ TEST"));
    written();
    keyerSends("\xC2");
    EXPECT_TRUE(box.text.isEmpty());
    EXPECT_TRUE(window.pttLamp);
    EXPECT_TRUE(keyer.state().isSending);
    keyerSends("\xC0");
    EXPECT_FALSE(window.pttLamp);
    EXPECT_FALSE(keyer.state().isSending);
    EXPECT_EQ(window.notices, (std::vector<std::string>{"150 1", "150 0"}));
    // Later busy reports are no echoes: the lock-step holds.
    type(QStringLiteral("AB"));
    EXPECT_EQ(written(), "1c 0f 02 0f 41");
    keyerSends("\xC4\xC0");
    EXPECT_EQ(written(), "");
}

TEST_F(WinKeyDriverTest, SpeedClicks)
{
    struct Case {
        bool winKey;
        int wpm;
        bool lower;
        int expectedWpm;
        const char* bytes;
        QString setting;
    };
    const Case cases[] = {
        {true, 10, true, 10, "1c 0a", QStringLiteral("WinKey Settings/WinKey Speed=10")},
        {true, 20, false, 21, "1c 15", QStringLiteral("WinKey Settings/WinKey Speed=21")},
        {true, 50, false, 50, "1c 32", QStringLiteral("WinKey Settings/WinKey Speed=50")},
        {false, 11, true, 10, "", QStringLiteral("frmTavrik Settings/WPM=10")},
    };
    open();
    for (const Case& c : cases) {
        window.selected = c.winKey;
        window.settings.clear();
        keyer.setOperatorSpeed(static_cast<std::int16_t>(c.wpm));
        connection.settings().speed = static_cast<std::int16_t>(c.wpm);
        handOver.stepKeyingSpeed(c.lower);
        EXPECT_EQ(keyer.state().wpm, c.expectedWpm);
        EXPECT_EQ(keyer.state().savedWpm, c.expectedWpm);
        EXPECT_EQ(written(), c.bytes);
        EXPECT_EQ(window.settings, std::vector<QString>{c.setting});
    }
}

TEST_F(WinKeyDriverTest, AKeyerThatVanishesMidLineEndsTheTransmission)
{
    connection.settings().speed = 99;
    keyer.setOperatorSpeed(99);
    open();
    type(QStringLiteral("AB"));
    line.open = false; // the adapter was pulled
    const QDeadlineTimer deadline(20000);
    while (keyer.state().isSending && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    EXPECT_FALSE(keyer.state().isSending);
    EXPECT_TRUE(box.text.isEmpty());
    EXPECT_EQ(window.aborts, 1);
    ASSERT_FALSE(window.messages.empty());
    EXPECT_EQ(window.messages.back(), "WinKey port is not open");
}

TEST_F(WinKeyDriverTest, AWriteToAClosedPortIsDroppedAndSaidOnce)
{
    open();
    type(QStringLiteral("A"));
    line.open = false;
    keyerSends("A");
    handOver.stepKeyingSpeed(true);
    EXPECT_EQ(window.messages, std::vector<QString>{QStringLiteral("WinKey port is not open")});
    EXPECT_FALSE(keyer.state().isSending);
}

} // namespace
} // namespace tavrik
