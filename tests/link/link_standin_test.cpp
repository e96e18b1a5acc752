// The link against the logging-program stand-in running as a real process.

#include "common/link_codes.h"
#include "keyer/keyer_ports.h"
#include "link/keyer_link_adapter.h"
#include "link/link.h"
#include "platform/runtime_dir.h"

#include "fake_link_host.h"
#include "support/isolated_runtime_dir.h"
#include "support/standin_process.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace tavrik {
namespace {

using test::FakeLinkHost;

class LinkWithStandIn : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(standIn_.start());
        ASSERT_EQ(link_.open(), LinkOpenOutcome::Up) << link_.openFailureDetail().toStdString();
        ASSERT_TRUE(link_.peerFound());
    }

    test::IsolatedRuntimeDir dir_;
    test::StandInProcess standIn_;
    FakeLinkHost host_;
    Link link_{host_};
};

TEST_F(LinkWithStandIn, TheLoggingProgramHearsEveryNoticeInWords)
{
    KeyerLinkAdapter keyer(link_);
    struct Case {
        std::function<void()> act;
        const char* printed;
    };
    const Case cases[] = {
        {[&] { keyer.post(LinkCode::kKeying, 1); }, "900 1 keyer on"},
        {[&] { keyer.post(LinkCode::kRadioPolling, 1); }, "150 1 hold radio polling"},
        {[&] { keyer.post(LinkCode::kRadioPolling, 0); }, "150 0 resume radio polling"},
        {[&] { keyer.post(LinkCode::kKeying, 0); }, "900 0 keyer off"},
        {[&] { link_.postLinkNotice(LinkCode::kClearLogEntry, 0); }, "700 0 clear log entry"},
        {[&] { link_.postLinkNotice(LinkCode::kRotor, 1); }, "800 1 turn rotator to contact, long path"},
        {[&] { link_.writeSlot(LinkSlots::kCallsign, "K1ABC"); },
         "200 0 slot written: call \"K1ABC\", name \"\", srx \"\""},
        {[&] { link_.writeSlot(LinkSlots::kName, "Command FREQ 14025"); },
         "200 0 slot written: call \"K1ABC\", command \"Command FREQ 14025\", srx \"\""},
        {[&] { host_.callsign = "K1ABC"; link_.logContact(); }, "100 0 log contact K1ABC"},
    };
    for (const Case& c : cases) {
        c.act();
        EXPECT_TRUE(standIn_.waitForLine(QString::fromLatin1(c.printed))) << c.printed;
    }
    EXPECT_EQ(host_.take(), QStringList{"history K1ABC"});
}

TEST_F(LinkWithStandIn, SharedSerialRequestsAreAnsweredOnceCarriedOut)
{
    const int requests[] = {502, 402, 302, 602};
    const char* const printed[] = {"502 0 PTT on, port 2", "402 0 key down, port 2", "302 0 key up, port 2",
                                   "602 0 PTT off, port 2"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(link_.sendRequest(requests[i]), 0);
        EXPECT_TRUE(standIn_.waitForLine(QString::fromLatin1(printed[i]))) << printed[i];
    }
}

TEST_F(LinkWithStandIn, ItsConsoleCommandsReachTheWindow)
{
    ASSERT_TRUE(standIn_.command("slot 0 W1AW", "ok slot 0"));
    ASSERT_TRUE(standIn_.command("slot 1 Command FREQ 7025", "ok slot 1"));
    ASSERT_TRUE(standIn_.command("command 226", "ok slot 5"));
    link_.pollLink();
    EXPECT_EQ(host_.take(), (QStringList{"callsign W1AW", "key 113 2"}));
    ASSERT_TRUE(standIn_.command("show", "slot 9"));
    // The poll consumed the command.
    const QStringList& lines = standIn_.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const QString& l) { return l.endsWith("slot 5 command: \"\""); }));
}

TEST_F(LinkWithStandIn, TextsBeyondAsciiCrossTheBlockAsTheirWriterMeantThem)
{
    // Tavrik's Windows-1252 (and nearest forms) read by a logging program written apart.
    const struct {
        const char* written;
        const char* printed;
    } names[] = {
        {"Jürgen", "name \"Jürgen\""},
        {"Łukasz", "name \"Lukasz\""},
        {"„Ol’ Bob“ €5", "name \"„Ol’ Bob“ €5\""},
    };
    for (const auto& c : names) {
        link_.writeSlot(LinkSlots::kName, QString::fromUtf8(c.written));
        EXPECT_TRUE(standIn_.waitForLine(QString::fromUtf8(c.printed))) << c.printed;
    }
    // And the other way round.
    ASSERT_TRUE(standIn_.command(QString::fromUtf8("slot 1 Søren Œ ‰"), "ok slot 1"));
    link_.pollLink();
    EXPECT_EQ(host_.take(), QStringList{QString::fromUtf8("name Søren Œ ‰")});
}

TEST_F(LinkWithStandIn, ALoggingProgramThatDiesNeverStallsTheKeyer)
{
    EXPECT_EQ(link_.sendRequest(401), 0);
    standIn_.kill();
    // Mid-transmission: the remaining requests and notices fail at once.
    EXPECT_FALSE(link_.sendRequest(301));
    link_.postLinkNotice(LinkCode::kKeying, 0);
    EXPECT_FALSE(link_.sendRequest(601));

    // What it left behind is not a running logging program.
    ASSERT_TRUE(QFile::exists(dir_.file("Vorbel32")));
    ASSERT_TRUE(QFile::exists(dir_.file("TAVRIK")));
    FakeLinkHost host;
    Link late(host);
    EXPECT_EQ(late.open(), LinkOpenOutcome::CannotOpen);
    EXPECT_FALSE(late.peerFound());

    // A new copy takes the stale files over.
    test::StandInProcess restarted;
    ASSERT_TRUE(restarted.start());
    Link relinked(host);
    EXPECT_EQ(relinked.open(), LinkOpenOutcome::Up);
    EXPECT_TRUE(relinked.peerFound());
    EXPECT_EQ(relinked.sendRequest(401), 0);
}

TEST_F(LinkWithStandIn, ASecondCopyRefusesToStartAndLeavesTheFirstAlone)
{
    EXPECT_EQ(link_.sendRequest(501), 0);
    EXPECT_EQ(link_.sendRequest(401), 0);
    test::StandInProcess second;
    EXPECT_FALSE(second.start());
    // Its probe connection ended; the lines Tavrik's connection switched on stay on.
    ASSERT_TRUE(standIn_.waitForLine("connection 2 closed"));
    EXPECT_FALSE(standIn_.matchedLine().contains("released")) << standIn_.matchedLine().toStdString();
    ASSERT_TRUE(standIn_.command("show", "radio: key"));
    EXPECT_TRUE(standIn_.matchedLine().endsWith("radio: key down, PTT on")) << standIn_.matchedLine().toStdString();

    // Tavrik's own connection ending (it opens the link anew) releases them.
    ASSERT_EQ(link_.open(), LinkOpenOutcome::Up);
    EXPECT_TRUE(standIn_.waitForLine("connection 1 closed: radio key and PTT released"));
}

TEST_F(LinkWithStandIn, ABlockCutShortIsReportedNeverACrash)
{
    link_.pollLink();
    ASSERT_EQ(QProcess::execute("truncate", {"-s", "100", dir_.file("TAVRIK")}), 0);
    link_.pollLink();
    link_.writeSlot(LinkSlots::kCallsign, "K1ABC");
    EXPECT_FALSE(link_.isUp());
    EXPECT_TRUE(link_.problem().startsWith("Link with Vorbel32 lost: ")) << link_.problem().toStdString();
    EXPECT_TRUE(link_.problem().contains("holds 100 bytes")) << link_.problem().toStdString();
    EXPECT_EQ(host_.take(), QStringList{"problem " + link_.problem()});
    // Posts still reach the logging program.
    link_.postLinkNotice(LinkCode::kKeying, 1);
    EXPECT_TRUE(standIn_.waitForLine("900 1 keyer on"));
}

TEST(LinkWithHungLoggingProgram, ASendThatIsNeverAnsweredTimesOutAndPostsStillReturn)
{
    test::IsolatedRuntimeDir dir;
    ASSERT_TRUE(PrepareRuntimeDir().ready());
    SharedBlock block;
    ASSERT_TRUE(block.create(dir.file("TAVRIK"), LinkSlots::kBlockSize));
    const int hung = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, QFile::encodeName(dir.file("Vorbel32")).constData(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(::bind(hung, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::listen(hung, 4), 0);

    FakeLinkHost host;
    Link link(host);
    ASSERT_EQ(link.open(), LinkOpenOutcome::Up);
    ASSERT_TRUE(link.peerFound());
    EXPECT_FALSE(link.sendRequest(401)); // returns after the send timeout
    for (int i = 0; i < 5000; ++i)
        link.postLinkNotice(LinkCode::kKeying, i & 1);
    ::close(hung);
}

TEST(LinkWithStandInOnARadioPort, RequestsAreAnsweredEvenWhereThePortHasNoModemLines)
{
    // A pseudo-terminal opens like the radio's port but cannot switch DTR and RTS.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    test::IsolatedRuntimeDir dir;
    test::StandInProcess standIn;
    ASSERT_TRUE(standIn.start({"--serial", QString::fromLocal8Bit(ptsname(master))}));
    FakeLinkHost host;
    Link link(host);
    ASSERT_EQ(link.open(), LinkOpenOutcome::Up);
    EXPECT_EQ(link.sendRequest(501), 0);
    EXPECT_EQ(link.sendRequest(401), 0);
    EXPECT_TRUE(standIn.waitForLine("401 0 key down, port 1"));
    ::close(master);
}

TEST(LinkWithStandInOnARadioPort, AMissingPortKeepsTheStandInFromStarting)
{
    test::IsolatedRuntimeDir dir;
    test::StandInProcess standIn;
    EXPECT_FALSE(standIn.start({"--serial", "/dev/no-such-port"}));
}

} // namespace
} // namespace tavrik
