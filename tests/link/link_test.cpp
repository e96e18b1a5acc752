#include "link/link.h"
#include "platform/runtime_dir.h"

#include "fake_link_host.h"
#include "support/isolated_runtime_dir.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>

namespace tavrik {
namespace {

using test::FakeLinkHost;

QByteArray Padded(const QByteArray& text)
{
    return LinkSlots::EncodeText(QString::fromLatin1(text));
}

// The logging program's side of the block, held by the test itself.
class LinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(PrepareRuntimeDir().ready());
        ASSERT_TRUE(block_.create(dir_.file("TAVRIK"), LinkSlots::kBlockSize));
        for (int k = 0; k < LinkSlots::kCount; ++k)
            block_.write(LinkSlots::Offset(k), LinkSlots::ClearedText());
        ASSERT_EQ(link_.open(), LinkOpenOutcome::Up) << link_.openFailureDetail().toStdString();
    }
    void put(int slot, const QByteArray& raw) { block_.write(LinkSlots::Offset(slot), raw); }
    QByteArray slot(int k) { return block_.read(LinkSlots::Offset(k), LinkSlots::kTextBytes); }

    test::IsolatedRuntimeDir dir_;
    SharedBlock block_;
    FakeLinkHost host_;
    Link link_{host_};
};

TEST_F(LinkTest, CommandSlotRunsEachCommandOnce)
{
    struct Case {
        QByteArray raw;
        QStringList calls;
        QString serialFormat;
    };
    const Case cases[] = {
        {Padded("113"), {"key 113 0"}, {}},          // F2
        {Padded("226"), {"key 113 2"}, {}},          // Ctrl+F2
        {Padded("452"), {"key 113 4"}, {}},          // Alt+F2
        {Padded("491"), {"key 123 4"}, {}},          // Alt+F12 would be 492, outside
        {Padded("492"), {}, {}},
        {Padded("124"), {"key 62 2"}, {}},
        {Padded("27"), {"key 27 0"}, {}},            // Esc
        {Padded("111"), {}, {}},
        {Padded("0"), {}, {}},
        {Padded("   113"), {"key 113 0"}, {}},       // leading blanks trimmed
        {Padded("113abc"), {"key 113 0"}, {}},       // the leading number counts
        {Padded("Close"), {"close"}, {}},
        {Padded("close"), {}, {}},                   // commands are case-sensitive
        {Padded("Normal"), {"normal"}, {}},
        {Padded("Minimize"), {"minimize"}, {}},
        {Padded("Format 000"), {}, "000"},
        {Padded("Format ##0"), {}, "##0"},
        {QByteArray(64, 'Z'), {}, {}},               // no NUL: reads empty
        {QByteArray(64, '\xff'), {}, {}},
        {Padded("garbage"), {}, {}},
    };
    for (const Case& c : cases) {
        put(LinkSlots::kCommand, c.raw);
        link_.pollLink();
        EXPECT_EQ(host_.take(), c.calls) << c.raw.toStdString();
        if (!c.serialFormat.isEmpty()) {
            EXPECT_EQ(link_.serialFormat(), c.serialFormat);
        }
        EXPECT_EQ(slot(LinkSlots::kCommand), LinkSlots::ClearedText()) << c.raw.toStdString();
        link_.pollLink();
        EXPECT_TRUE(host_.take().isEmpty()) << "ran twice: " << c.raw.toStdString();
    }
}

TEST_F(LinkTest, FieldsFollowTheirSlotsButNeverShowOutboundCommands)
{
    struct Case {
        int slot;
        QByteArray raw;
        QStringList calls;
    };
    const Case cases[] = {
        {LinkSlots::kCallsign, Padded("K1ABC"), {"callsign K1ABC"}},
        {LinkSlots::kCallsign, Padded("K1ABC"), {}},            // unchanged: field left alone
        {LinkSlots::kCallsign, Padded("  W1AW"), {"callsign W1AW"}},
        {LinkSlots::kCallsign, Padded("W1AW  "), {"callsign W1AW  "}}, // blanks before the NUL stay
        {LinkSlots::kCallsign, QByteArray(64, 'Q'), {"callsign "}},
        {LinkSlots::kName, Padded("Bob"), {"name Bob"}},
        {LinkSlots::kName, Padded("Command x"), {}},
        {LinkSlots::kName, Padded("command x"), {}},
        {LinkSlots::kName, Padded("HEXCOMMAND 0D"), {}},
        {LinkSlots::kName, Padded("Commander"), {"name Commander"}},
        {LinkSlots::kName, Padded(" Command x"), {}},           // blanks go before the test
        {LinkSlots::kSrx, Padded("042"), {"srx 042"}},
        {LinkSlots::kSrx, LinkSlots::ClearedText(), {"srx "}},
    };
    for (const Case& c : cases) {
        put(c.slot, c.raw);
        link_.pollLink();
        EXPECT_EQ(host_.take(), c.calls) << c.slot << " " << c.raw.toStdString();
    }
}

TEST_F(LinkTest, StationSlotsFeedTheMacroValuesAndTheRadioIsSelectedOnChange)
{
    put(LinkSlots::kMyCallsign, Padded("SM5XYZ"));
    put(LinkSlots::kBand, Padded("20M"));
    put(LinkSlots::kSerialNumber, Padded(" 017"));
    put(LinkSlots::kSentRst, Padded("599"));
    put(LinkSlots::kReceivedRst, QByteArray(64, '5'));
    put(LinkSlots::kActiveRadio, Padded("2"));
    link_.pollLink();
    link_.pollLink();
    EXPECT_EQ(link_.myCallsign(), QStringLiteral("SM5XYZ"));
    EXPECT_EQ(link_.bandText(), QStringLiteral("20M"));
    EXPECT_EQ(link_.slotValue(LinkSlots::kSerialNumber), QStringLiteral("017"));
    EXPECT_EQ(link_.slotValue(LinkSlots::kSentRst), QStringLiteral("599"));
    EXPECT_EQ(link_.slotValue(LinkSlots::kReceivedRst), QString());
    EXPECT_EQ(link_.slotMirror(LinkSlots::kSentRst).size(), 64);
    EXPECT_EQ(host_.take(), QStringList{"radio 2"});
    EXPECT_EQ(link_.activeRadio(), 2);

    put(LinkSlots::kActiveRadio, Padded("99999")); // beyond a 16-bit number: not taken
    link_.pollLink();
    put(LinkSlots::kActiveRadio, Padded("1.5"));   // halves to even: radio 2 again
    link_.pollLink();
    put(LinkSlots::kActiveRadio, Padded("1"));
    link_.pollLink();
    EXPECT_EQ(host_.take(), QStringList{"radio 1"});
}

TEST_F(LinkTest, WritesASlotAsTextNulAndBlanksInTheSingleByteCodePage)
{
    struct Case {
        QString text;
        QByteArray expected;
    };
    const Case cases[] = {
        {"K1ABC", QByteArray("K1ABC") + '\0' + QByteArray(58, ' ')},
        {"", '\0' + QByteArray(63, ' ')},
        {QString(63, u'A'), QByteArray(63, 'A') + '\0'},
        {QString(64, u'A'), QByteArray(64, 'A')},            // cut, no NUL left
        {QString(70, u'B'), QByteArray(64, 'B')},
        {QStringLiteral("J\u00e9r\u00f4me \u20ac"), QByteArray("J\xe9r\xf4me \x80") + '\0' + QByteArray(55, ' ')},
        {QStringLiteral("\u4e2d"), QByteArray("?") + '\0' + QByteArray(62, ' ')},
    };
    for (const Case& c : cases) {
        put(LinkSlots::kCallsign, QByteArray(128, 'x'));
        link_.writeSlot(LinkSlots::kCallsign, c.text);
        EXPECT_EQ(slot(LinkSlots::kCallsign).toHex(), c.expected.toHex()) << c.text.toStdString();
        // The rest of the slot is the logging program's.
        EXPECT_EQ(block_.read(64, 64), QByteArray(64, 'x'));
    }
    link_.writeSlot(LinkSlots::kCount, "nowhere");
    EXPECT_EQ(block_.size(), LinkSlots::kBlockSize);
}

TEST_F(LinkTest, CloseCommandThatShutsTheLinkEndsThePollSafely)
{
    host_.onClose = [&] { link_.closeLink(); };
    put(LinkSlots::kActiveRadio, Padded("2"));
    put(LinkSlots::kCommand, Padded("Close"));
    link_.pollLink();
    EXPECT_EQ(host_.take(), QStringList{"close"});
    EXPECT_FALSE(link_.isUp());
    link_.pollLink();
    link_.writeSlot(LinkSlots::kCallsign, "K1ABC");
    EXPECT_EQ(slot(LinkSlots::kCallsign), LinkSlots::ClearedText());
}

TEST_F(LinkTest, KeyThatStartsATransmissionPollingInsideItRunsOnce)
{
    int nested = 0;
    host_.onKey = [&] {
        if (++nested < 3)
            link_.pollLink(); // the send loop polls between characters
    };
    put(LinkSlots::kCommand, Padded("113"));
    link_.pollLink();
    EXPECT_EQ(host_.take(), QStringList{"key 113 0"});
}

TEST(LinkOpen, RefusedBlocksGiveTheStartupMessage)
{
    struct Case {
        const char* what;
        std::function<void(test::IsolatedRuntimeDir&, SharedBlock&)> arrange;
        LinkOpenOutcome expected;
    };
    const auto block = [](std::size_t size, mode_t mode) {
        return [size, mode](test::IsolatedRuntimeDir& dir, SharedBlock& keeper) {
            PrepareRuntimeDir();
            keeper.create(dir.file("TAVRIK"), size);
            chmod(QFile::encodeName(dir.file("TAVRIK")), mode);
        };
    };
    const Case cases[] = {
        {"no runtime directory", [](test::IsolatedRuntimeDir&, SharedBlock&) {}, LinkOpenOutcome::CannotOpen},
        {"no block", [](test::IsolatedRuntimeDir&, SharedBlock&) { PrepareRuntimeDir(); }, LinkOpenOutcome::CannotOpen},
        {"nine slots", block(9 * 128, 0600), LinkOpenOutcome::CannotMap},
        {"ten slots less one byte", block(1279, 0600), LinkOpenOutcome::CannotMap},
        {"others may write it", block(1280, 0666), LinkOpenOutcome::CannotOpen},
        {"directory open to others",
         [](test::IsolatedRuntimeDir& dir, SharedBlock& keeper) {
             PrepareRuntimeDir();
             keeper.create(dir.file("TAVRIK"), 1280);
             chmod(QFile::encodeName(dir.path()), 0777);
         },
         LinkOpenOutcome::CannotOpen},
        {"ten slots", block(1280, 0600), LinkOpenOutcome::Up},
    };
    for (const Case& c : cases) {
        test::IsolatedRuntimeDir dir;
        SharedBlock keeper;
        c.arrange(dir, keeper);
        FakeLinkHost host;
        Link link(host);
        EXPECT_EQ(link.open(), c.expected) << c.what;
        EXPECT_EQ(link.isUp(), c.expected == LinkOpenOutcome::Up) << c.what;
        EXPECT_FALSE(link.peerFound()) << c.what;
        // Down, the link neither reads nor writes nor posts.
        link.pollLink();
        link.writeSlot(0, "K1ABC");
        link.postLinkNotice(900, 1);
        EXPECT_FALSE(link.sendRequest(401));
        EXPECT_TRUE(host.calls.isEmpty()) << c.what;
    }
}

TEST(LinkOpen, StartupMessagesNameTheFailingCall)
{
    EXPECT_FALSE(StartupMessageFor(LinkOpenOutcome::Up));
    const auto cannotOpen = StartupMessageFor(LinkOpenOutcome::CannotOpen);
    ASSERT_TRUE(cannotOpen);
    EXPECT_EQ(cannotOpen->title, QStringLiteral("You can't get there from here"));
    EXPECT_EQ(cannotOpen->text, QStringLiteral("OpenFileMapping API failed, is Vorbel32 running?"));
    EXPECT_TRUE(cannotOpen->exclamation);
    const auto cannotMap = StartupMessageFor(LinkOpenOutcome::CannotMap);
    ASSERT_TRUE(cannotMap);
    EXPECT_EQ(cannotMap->title, cannotOpen->title);
    EXPECT_EQ(cannotMap->text, QStringLiteral("MapViewOfFile API failed."));
    EXPECT_FALSE(cannotMap->exclamation);
}

} // namespace
} // namespace tavrik
