#include "platform/serial_line.h"
#include "support/pty.h"
#include "support/serial_test_support.h"

#include <QElapsedTimer>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

#include <cerrno>

namespace tavrik {
namespace {

using test::Pty;
using test::RecordingModemLines;
using Calls = std::vector<std::string>;

class SerialLineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::EnsureApplication(); }

    SerialLineTest()
    {
        devices.setPath(3, pty.slavePath());
        line.setDevices(devices);
        line.setPortNumber(3);
    }

    Pty pty;
    SerialDevices devices;
    RecordingModemLines modem;
    SerialLine line{SerialDevices{}, modem};
};

TEST(LineSettingsTest, ParsesTheControlsNotation)
{
    const auto winkey = ParseLineSettings(QStringLiteral("1200,n,8,2"));
    ASSERT_TRUE(winkey);
    EXPECT_EQ(winkey->baudRate, 1200);
    EXPECT_EQ(winkey->parity, QSerialPort::NoParity);
    EXPECT_EQ(winkey->dataBits, QSerialPort::Data8);
    EXPECT_EQ(winkey->stopBits, QSerialPort::TwoStop);

    for (const char* bad : {"", "1200", "1200,n,8", "fast,n,8,2", "1200,x,8,2", "1200,n,9,2", "1200,n,8,3", "0,n,8,1"})
        EXPECT_FALSE(ParseLineSettings(QString::fromLatin1(bad))) << bad;
}

TEST_F(SerialLineTest, OpeningDropsBothLinesBeforeApplyingTheRememberedState)
{
    ASSERT_TRUE(pty.ok());
    struct Case {
        bool dtr;
        bool rts;
        Calls expected;
    };
    const Case cases[] = {
        {false, false, {"drop dtr rts"}},
        {true, false, {"drop dtr rts", "raise dtr"}},
        {false, true, {"drop dtr rts", "raise rts"}},
        {true, true, {"drop dtr rts", "raise dtr rts"}},
    };
    for (const Case& c : cases) {
        line.setDtr(c.dtr);
        line.setRts(c.rts);
        EXPECT_TRUE(modem.calls.empty()) << "a closed port switches nothing";
        line.setPortOpen(true);
        ASSERT_TRUE(line.portOpen()) << line.lastError().toStdString();
        EXPECT_EQ(modem.calls, c.expected);
        EXPECT_EQ(line.dtr(), c.dtr);
        EXPECT_EQ(line.rts(), c.rts);
        line.setPortOpen(false);
        modem.calls.clear();
    }
}

TEST_F(SerialLineTest, MissingModemLinesAreNoErrorButAFailingLineIs)
{
    ASSERT_TRUE(pty.ok());
    for (int error : {ENOTTY, EINVAL}) {
        modem.failWith = error;
        line.setPortOpen(true);
        line.setDtr(true);
        EXPECT_TRUE(line.lastError().isEmpty()) << error;
        line.setPortOpen(false);
    }
    modem.failWith = EIO;
    line.setPortOpen(true);
    EXPECT_TRUE(line.portOpen());
    EXPECT_TRUE(line.lastError().contains(pty.slavePath()));
}

TEST_F(SerialLineTest, RealPseudoTerminalOpensWithTheSystemsModemCalls)
{
    ASSERT_TRUE(pty.ok());
    SerialLine real{devices};
    real.setPortNumber(3);
    real.setDtr(true);
    real.setPortOpen(true);
    EXPECT_TRUE(real.portOpen());
    EXPECT_TRUE(real.lastError().isEmpty()) << real.lastError().toStdString();
}

TEST_F(SerialLineTest, BytesBothWaysAndAQueuedReceivedSignal)
{
    ASSERT_TRUE(pty.ok());
    line.setSettings(QStringLiteral("1200,n,8,2"));
    line.setPortOpen(true);
    ASSERT_TRUE(line.portOpen());

    line.write(QByteArray("\x00\x02", 2));
    EXPECT_EQ(pty.receive(), QByteArray("\x00\x02", 2));

    QSignalSpy spy(&line, &SerialLine::received);
    ASSERT_TRUE(pty.send(QByteArray("\x17\xC0", 2)));
    // Counted without the event loop running, as a busy-polling handshake needs.
    QElapsedTimer waited;
    waited.start();
    while (line.inBufferCount() < 2 && waited.elapsed() < 2000) {
    }
    EXPECT_EQ(line.inBufferCount(), 2);
    EXPECT_EQ(spy.count(), 0) << "the signal waits for the event loop";
    EXPECT_EQ(line.read(), QByteArray("\x17\xC0", 2));
    EXPECT_EQ(line.inBufferCount(), 0);

    ASSERT_TRUE(pty.send("E"));
    EXPECT_TRUE(spy.wait(2000));
    EXPECT_EQ(line.read(), QByteArray("E"));
}

TEST_F(SerialLineTest, ADeviceThatGoesAwayClosesThePortInsteadOfSpinning)
{
    auto vanishing = std::make_unique<Pty>();
    SerialDevices one;
    one.setPath(1, vanishing->slavePath());
    SerialLine gone{one, modem};
    gone.setPortNumber(1);
    gone.setPortOpen(true);
    ASSERT_TRUE(gone.portOpen());
    vanishing.reset(); // the far end is unplugged
    QElapsedTimer waited;
    waited.start();
    while (gone.portOpen() && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_FALSE(gone.portOpen());
    EXPECT_FALSE(gone.lastError().isEmpty());
}

TEST_F(SerialLineTest, FailuresLeaveAnErrorAndThePortClosed)
{
    SerialLine none{SerialDevices{}, modem};
    none.setPortOpen(true);
    EXPECT_FALSE(none.portOpen());
    EXPECT_EQ(none.lastError(), QStringLiteral("Invalid port number"));
    none.clearError();

    SerialDevices missing;
    missing.setPath(1, QStringLiteral("/nonexistent/ttyX"));
    SerialLine absent{missing, modem};
    absent.setPortNumber(1);
    absent.setPortOpen(true);
    EXPECT_FALSE(absent.portOpen());
    EXPECT_TRUE(absent.lastError().startsWith(QStringLiteral("/nonexistent/ttyX: ")));
    EXPECT_TRUE(modem.calls.empty());

    absent.clearError();
    absent.write("x");
    EXPECT_FALSE(absent.lastError().isEmpty());

    absent.clearError();
    absent.setSettings(QStringLiteral("1200,q,8,2"));
    EXPECT_FALSE(absent.lastError().isEmpty());
    EXPECT_EQ(absent.settings(), QStringLiteral("9600,n,8,1"));
}

} // namespace
} // namespace tavrik
