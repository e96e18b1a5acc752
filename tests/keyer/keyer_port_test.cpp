#include "keyer/keyer_port.h"
#include "keyer/software_keyer.h"
#include "platform/serial_line.h"
#include "fake_port_io.h"
#include "support/keyer_fakes.h"
#include "support/pty.h"
#include "support/serial_test_support.h"

#include <gtest/gtest.h>

#include <functional>

namespace tavrik {
namespace {

using test::FakePortIo;
using test::RecordingModemLines;
using Calls = std::vector<std::string>;

class RecordingRequests final : public SharedSerialRequests {
public:
    void sendRequest(int code) override { codes.push_back(code); }
    std::vector<int> codes;
};

class KeyerPortTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::EnsureApplication(); }

    KeyerPortTest()
    {
        SerialDevices devices;
        devices.setPath(3, pty.slavePath());
        serial.setDevices(devices);
    }

    void useParallel(std::int32_t address)
    {
        port.settings().portIsParallel = true;
        port.settings().portIsSharedSerial = false;
        port.settings().parallelPortAddress = address;
    }
    void useSerial(bool shared, const QString& name)
    {
        port.settings().portIsParallel = false;
        port.settings().portIsSharedSerial = shared;
        port.settings().dedicatedSerialPort = name;
    }

    test::Pty pty;
    FakePortIo io;
    RecordingModemLines modem;
    SerialLine serial{SerialDevices{}, modem};
    RecordingRequests requests;
    KeyerPort port{io, serial, requests};
};

TEST(PortNumberForNameTest, OnlyTheEightNames)
{
    for (int n = 1; n <= 8; ++n)
        EXPECT_EQ(PortNumberForName(QStringLiteral("Comm%1").arg(n)), n);
    for (const char* other : {"", "COM1", "comm2", "Comm0", "Comm9", "Comm10", " Comm2", "Comm2 ", "/dev/ttyS0"})
        EXPECT_EQ(PortNumberForName(QString::fromLatin1(other)), 0) << other;
}

TEST_F(KeyerPortTest, ParallelControlRegisterThroughAKeyingSequence)
{
    useParallel(0x378);
    EXPECT_FALSE(port.initKeyerPort());
    EXPECT_EQ(io.base, 0x378);
    EXPECT_EQ(port.parallelControlPort(), 0x37A);
    EXPECT_EQ(io.registers[0x37A], 0x0B);

    struct Step {
        const char* name;
        std::function<void()> action;
        std::uint8_t control;
    };
    const Step steps[] = {
        {"key down", [&] { port.keyDown(); }, 0x03},
        {"key up", [&] { port.keyUp(); }, 0x0B},
        {"ptt on", [&] { port.pttOn(); }, 0x0F},
        {"key down with ptt", [&] { port.keyDown(); }, 0x07},
        {"key up with ptt", [&] { port.keyUp(); }, 0x0F},
        {"ptt off", [&] { port.pttOff(); }, 0x0B},
        {"reset", [&] { port.resetParallelLines(); }, 0x0B},
    };
    for (const Step& s : steps) {
        s.action();
        EXPECT_EQ(io.registers[0x37A], s.control) << s.name;
    }
    for (const auto& [address, value] : io.writes)
        EXPECT_EQ(address, 0x37A) << "only the control register is written";

    io.registers[0x37A] = 0x1B; // interrupt enable, set by someone else, stays
    port.keyDown();
    EXPECT_EQ(io.registers[0x37A], 0x13);
}

TEST_F(KeyerPortTest, ParallelAddresses)
{
    struct Case {
        std::int32_t address;
        bool reachable;
        std::uint16_t control;
    };
    // Cards on the PCI bus sit above the old 16-bit signed limit.
    const Case cases[] = {
        {0x378, true, 0x37A}, {0x3BC, true, 0x3BE}, {0xE800, true, 0xE802}, {0xFFFD, true, 0xFFFF},
        {0xFFFE, false, 0}, {0x10000, false, 0}, {-1, false, 0},
    };
    for (const Case& c : cases) {
        FakePortIo fresh;
        KeyerPort p{fresh, serial, requests};
        p.settings().parallelPortAddress = c.address;
        const auto error = p.initKeyerPort();
        EXPECT_EQ(!error, c.reachable) << c.address;
        if (c.reachable) {
            EXPECT_EQ(fresh.registers[c.control], 0x0B) << c.address;
        } else {
            EXPECT_TRUE(error->startsWith(QStringLiteral("CW Port error : "))) << c.address;
            EXPECT_EQ(fresh.opens, 0);
            p.keyDown();
            EXPECT_TRUE(fresh.writes.empty()) << c.address;
        }
    }
}

TEST_F(KeyerPortTest, UnreachableParallelPortIsReportedOnceAndNeverWritten)
{
    io.openError = QStringLiteral("No parallel port at &H378 is known to the kernel");
    useParallel(0x378);
    EXPECT_EQ(port.initKeyerPort(),
              QStringLiteral("CW Port error : No parallel port at &H378 is known to the kernel"));
    port.pttOn();
    port.keyDown();
    port.keyUp();
    EXPECT_TRUE(io.writes.empty());
}

TEST_F(KeyerPortTest, FailedReadWritesNothingBack)
{
    useParallel(0x378);
    port.initKeyerPort();
    io.writes.clear();
    io.readError = QStringLiteral("Input/output error");
    port.keyDown();
    EXPECT_TRUE(io.writes.empty());
}

TEST_F(KeyerPortTest, ReinitialisingTheSamePortKeepsItsClaim)
{
    useParallel(0x378);
    port.initKeyerPort();
    port.initKeyerPort();
    EXPECT_EQ(io.opens, 1);
    useParallel(0x278);
    port.initKeyerPort();
    EXPECT_EQ(io.opens, 2);
    EXPECT_EQ(io.closes, 1);
    EXPECT_EQ(io.registers[0x27A], 0x0B);
}

TEST_F(KeyerPortTest, SerialModesTouchNoParallelPortUnlessOneWasUsed)
{
    useSerial(true, QStringLiteral("Comm2"));
    port.initKeyerPort();
    port.resetParallelLines();
    EXPECT_EQ(io.opens, 0);
    EXPECT_TRUE(io.writes.empty());

    // Leaving the parallel port while keyed: it goes idle and is released.
    useParallel(0x378);
    port.initKeyerPort();
    port.pttOn();
    port.keyDown();
    useSerial(true, QStringLiteral("Comm2"));
    port.initKeyerPort();
    EXPECT_EQ(io.registers[0x37A], 0x0B);
    EXPECT_FALSE(io.isOpen());
    const auto written = io.writes.size();
    port.resetParallelLines();
    port.keyDown();
    EXPECT_EQ(io.writes.size(), written);
}

TEST_F(KeyerPortTest, DedicatedSerialKeysDtrAndRts)
{
    ASSERT_TRUE(pty.ok());
    useSerial(false, QStringLiteral("Comm3"));
    EXPECT_FALSE(port.initKeyerPort());
    EXPECT_TRUE(serial.portOpen());
    EXPECT_EQ(serial.portNumber(), 3);
    EXPECT_FALSE(serial.dtr());
    EXPECT_FALSE(serial.rts());
    EXPECT_EQ(modem.calls, (Calls{"drop dtr rts"}));

    modem.calls.clear();
    port.pttOn();
    port.keyDown();
    port.keyUp();
    port.pttOff();
    EXPECT_EQ(modem.calls, (Calls{"raise rts", "raise dtr", "drop dtr", "drop rts"}));
    EXPECT_TRUE(io.writes.empty());

    // A new set-up starts from a closed port.
    port.keyDown();
    port.initKeyerPort();
    EXPECT_TRUE(serial.portOpen());
    EXPECT_FALSE(serial.dtr());
}

TEST_F(KeyerPortTest, DedicatedSerialThatCannotOpen)
{
    struct Case {
        const char* name;
        const char* error;
    };
    const Case cases[] = {{"COM1", "CW Port error : Invalid port number"},
                          {"", "CW Port error : Invalid port number"},
                          {"Comm5", "CW Port error : /dev/ttyS4: "}};
    for (const Case& c : cases) {
        SerialDevices devices;
        devices.setPath(5, QStringLiteral("/dev/ttyS4"));
        serial.setDevices(devices);
        useSerial(false, QString::fromLatin1(c.name));
        const auto error = port.initKeyerPort();
        ASSERT_TRUE(error) << c.name;
        EXPECT_TRUE(error->startsWith(QString::fromLatin1(c.error))) << error->toStdString();
        EXPECT_TRUE(serial.lastError().isEmpty()) << "cleared once reported";
        EXPECT_FALSE(serial.portOpen());
        // Keying only changes the remembered lines of the closed port.
        port.keyDown();
        EXPECT_TRUE(serial.dtr());
        port.keyUp();
        EXPECT_TRUE(modem.calls.empty());
    }
}

// The keyer's own send loop over the shared port, timed on the simulated clock.
class SharedSerialSendTest : public KeyerPortTest {
protected:
    void send(const QString& text, bool ptt)
    {
        useSerial(true, QStringLiteral("Comm2"));
        port.initKeyerPort();
        keyer.options().pttEnabled = ptt;
        keyer.options().pttDelayMs = 0;
        keyer.options().slowTyping = false;
        keyer.setOperatorSpeed(20);
        test::SendAsTheWindowDoes(keyer, box, text);
    }

    test::SimulatedClock clock;
    test::EdgeLog log{clock};
    test::RecordingTone tone{log};
    test::RecordingLink link{log};
    test::RecordingPriority priority{log};
    test::FakeQueue box;
    test::FakeKeyerWindow window{log};
    SoftwareKeyer keyer{{clock, priority, port, tone, box, link, window}};
};

TEST_F(SharedSerialSendTest, DotWithPtt)
{
    send(QStringLiteral("E"), true);
    EXPECT_EQ(requests.codes, (std::vector<int>{502, 402, 302, 602}));
    EXPECT_FALSE(window.pttLamp);
    EXPECT_FALSE(window.keyLamp);
}

TEST_F(SharedSerialSendTest, WithoutPttOnlyTheKeyLine)
{
    send(QStringLiteral("I"), false);
    EXPECT_EQ(requests.codes, (std::vector<int>{402, 302, 402, 302}));
}

} // namespace
} // namespace tavrik
