// Tavrik's window beside the logging-program stand-in running as a real process.
#include "operator/lamp.h"
#include "operator/tavrik_menus.h"
#include "platform/message_channel.h"
#include "support/qt_print.h"
#include "support/standin_process.h"
#include "support/station_fixture.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTimer>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace tavrik {
namespace {

// The lines the stand-in printed that contain one of `words`, in order.
QStringList Matching(const QStringList& lines, const QStringList& words)
{
    QStringList out;
    for (const QString& line : lines) {
        for (const QString& word : words) {
            if (line.contains(word)) {
                out << word;
                break;
            }
        }
    }
    return out;
}

// Counts the paint events `widget` gets while `when` holds.
class PaintCounter final : public QObject {
public:
    PaintCounter(QWidget& widget, std::function<bool()> when) : when_(std::move(when)) { widget.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && when_())
            ++count;
        return false;
    }
    int count = 0;

private:
    std::function<bool()> when_;
};

class StationWithLoggingProgram : public ::testing::Test {
protected:
    // The logging program runs before Tavrik starts, with `slotTexts` written ("0 K1ABC").
    void start(const QString& ini, const QStringList& slotTexts = {})
    {
        station_ = std::make_unique<test::Station>(ini, QString(), [&](const QString&) {
            ASSERT_TRUE(standIn.start());
            for (const QString& slot : slotTexts)
                ASSERT_TRUE(standIn.command(QStringLiteral("slot ") + slot, QStringLiteral("ok slot")));
        });
    }
    FrmTavrik& window() { return station_->window(); }
    bool command(const QString& text) { return standIn.command(QStringLiteral("command ") + text, QStringLiteral("ok slot 5")); }
    // Lets the window poll until it has consumed the command in slot 5; the command has
    // then run, in the same poll.
    bool commandConsumed()
    {
        return QTest::qWaitFor([&] {
            return standIn.command(QStringLiteral("show"), QStringLiteral("slot 5 command:"))
                   && standIn.matchedLine().endsWith(QStringLiteral("\"\""));
        }, 5000);
    }

    test::StandInProcess standIn;
    std::unique_ptr<test::Station> station_;
};

TEST(StationWithoutLoggingProgram, SaysSoOnceAndWorksAlone)
{
    test::Station station;
    ASSERT_EQ(station.dialogs.messages.size(), 1u);
    const auto& shown = station.dialogs.messages.front();
    EXPECT_EQ(shown.title, QStringLiteral("You can't get there from here"));
    EXPECT_EQ(shown.text, QStringLiteral("OpenFileMapping API failed, is Vorbel32 running?"));
    EXPECT_EQ(shown.icon, MessageIcon::Exclamation);
    QTest::keyClicks(&station.window().callsignField(), QStringLiteral("k1abc"));
    QTest::keyClicks(&station.window().typingBox(), QStringLiteral("e"));
    EXPECT_EQ(station.keyDowns(), 1u);
    EXPECT_EQ(station.dialogs.messages.size(), 1u);
}

TEST_F(StationWithLoggingProgram, CallsignFromTheLogAppearsAndIsWrittenBack)
{
    start(test::Station::NumberedMacros());
    EXPECT_TRUE(station_->dialogs.messages.empty());
    ASSERT_TRUE(standIn.command(QStringLiteral("slot 0 W9XYZ"), QStringLiteral("ok slot 0")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window().callsignField().text() == QStringLiteral("W9XYZ"); }, 10000));
    EXPECT_TRUE(standIn.waitForLine(QStringLiteral("200 0 slot written: call \"W9XYZ\"")));
    QTest::keyClicks(&window().nameField(), QStringLiteral("Ann"));
    EXPECT_TRUE(standIn.waitForLine(QStringLiteral("name \"Ann\"")));
}

TEST_F(StationWithLoggingProgram, KeyCommandsPressButtonsOnce)
{
    start(test::Station::NumberedMacros());
    const struct { const char* command; const char* appended; } cases[] = {
        {"113", "B2"}, {"226", "B26"}, {"452", "B14"}, {"492", ""}, {"close", ""}, {"garbage", ""},
    };
    for (const auto& c : cases) {
        window().typingBox().clear();
        ASSERT_TRUE(command(QLatin1String(c.command)));
        ASSERT_TRUE(commandConsumed()) << c.command;
        EXPECT_EQ(window().typingBox().text(), QLatin1String(c.appended)) << c.command;
    }
    EXPECT_TRUE(window().isVisible());
    ASSERT_TRUE(command(QStringLiteral("Close")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window().isVisible(); }, 10000));
}

TEST_F(StationWithLoggingProgram, CloseWaitingAtStartUpEndsTheStartUp)
{
    start(test::Station::QuickMainSection(), {QStringLiteral("5 Close")});
    EXPECT_TRUE(window().hasShutDown());
    EXPECT_FALSE(window().isVisible());
    EXPECT_FALSE(window().station().transmit().formReady());
}

TEST_F(StationWithLoggingProgram, CloseTakenWhileAMacroExpandsSendsNothingAfterwards)
{
    start(test::Station::QuickMainSection() + QStringLiteral("Macro #1=CQ\n"));
    ASSERT_TRUE(command(QStringLiteral("Close")));
    ASSERT_TRUE(window().isVisible()); // the timer has not polled yet: the macro's poll takes it
    QTest::keyClick(&window().typingBox(), Qt::Key_F1);
    EXPECT_TRUE(window().hasShutDown());
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(station_->keyDowns(), 0u);
}

TEST_F(StationWithLoggingProgram, TransmissionIsFramedByKeyerAndPollingNotices)
{
    start(QStringLiteral("[frmTavrik Settings]\nPTT Delay=0\nSlow Typing=OFF\nDisable Polling=True\n"));
    QTest::keyClicks(&window().typingBox(), QStringLiteral("e"));
    ASSERT_TRUE(standIn.waitForLine(QStringLiteral("150 0")));
    const QStringList order = Matching(standIn.lines(), {QStringLiteral("900 1"), QStringLiteral("150 1"),
                                                         QStringLiteral("900 0"), QStringLiteral("150 0")});
    EXPECT_EQ(order, (QStringList{"900 1", "150 1", "900 0", "150 0"}));
}

TEST_F(StationWithLoggingProgram, SharedSerialPortKeysThroughTheLoggingProgram)
{
    start(QStringLiteral("[frmTavrik Settings]\nPTT Delay=0\nSlow Typing=OFF\nPort to Use=Shared Serial\n"
                         "Dedicated Serial Port=Comm2\nPTT=ON\n"));
    QTest::keyClicks(&window().typingBox(), QStringLiteral("e"));
    ASSERT_TRUE(standIn.waitForLine(QStringLiteral("602 0")));
    const QStringList requests = Matching(standIn.lines(), {QStringLiteral(" 502 "), QStringLiteral(" 402 "),
                                                            QStringLiteral(" 302 "), QStringLiteral(" 602 ")});
    EXPECT_EQ(requests, (QStringList{" 502 ", " 402 ", " 302 ", " 602 "}));
}

TEST_F(StationWithLoggingProgram, OneMacroFromKeyToLoggedContact)
{
    start(QStringLiteral("[frmTavrik Settings]\nPTT Delay=0\nSlow Typing=OFF\nPort to Use=Shared Serial\n"
                         "Dedicated Serial Port=Comm1\nPTT=ON\nMacro #2=CQ $call$ $serialnum$ $log$\n"),
          {QStringLiteral("0 K1ABC"), QStringLiteral("2 41")});
    QString queued;
    station_->after(1, [&] { queued = window().typingBox().text(); });
    QTest::keyClick(&window().typingBox(), Qt::Key_F2);
    EXPECT_EQ(queued, QStringLiteral("CQ K1ABC 41 ")); // the blank before "$log$" stays
    ASSERT_TRUE(standIn.waitForLine(QStringLiteral("100 0 log contact K1ABC")));
    const QStringList order = Matching(standIn.lines(), {QStringLiteral("900 1"), QStringLiteral("501 0"),
                                                         QStringLiteral("401 0"), QStringLiteral("601 0"),
                                                         QStringLiteral("900 0"), QStringLiteral("100 0")});
    ASSERT_GE(order.size(), 5);
    EXPECT_EQ(order.mid(0, 3), (QStringList{"900 1", "501 0", "401 0"}));
    // The keyer-off notice goes before PTT drops; the log request comes last.
    EXPECT_EQ(order.mid(order.size() - 3), (QStringList{"900 0", "601 0", "100 0"}));
    // C Q K 1 A B C 4 1: 36 key-downs.
    EXPECT_EQ(order.count(QStringLiteral("401 0")), 36);
    EXPECT_EQ(window().history().itemText(0), QStringLiteral("K1ABC"));
}

TEST_F(StationWithLoggingProgram, FollowsTheLoggingProgramThroughACrashAndARestart)
{
    start(test::Station::NumberedMacros());
    standIn.kill();
    // Its block stays behind, unchanged, but nobody keeps it any more.
    const QString lost = QStringLiteral("Link with Vorbel32 lost: ");
    EXPECT_TRUE(QTest::qWaitFor([&] { return window().statusBar()->currentMessage().startsWith(lost); }, 10000));
    EXPECT_TRUE(window().statusBar()->isVisible());
    EXPECT_TRUE(window().station().link().problem().endsWith(QStringLiteral("is left over: no program keeps it")))
        << window().station().link().problem().toStdString();
    test::StandInProcess restarted;
    ASSERT_TRUE(restarted.start());
    ASSERT_TRUE(restarted.command(QStringLiteral("slot 0 W9XYZ"), QStringLiteral("ok slot 0")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window().callsignField().text() == QStringLiteral("W9XYZ"); }, 10000));
    QTest::keyClicks(&window().nameField(), QStringLiteral("Ann"));
    EXPECT_TRUE(restarted.waitForLine(QStringLiteral("200 0 slot written: call \"W9XYZ\", name \"Ann\"")));
    EXPECT_TRUE(window().station().link().problem().isEmpty());
}

TEST_F(StationWithLoggingProgram, AStalledLoggingProgramEndsTheTransmissionAndReleasesTheLines)
{
    start(QStringLiteral("[frmTavrik Settings]\nPTT Delay=0\nSlow Typing=OFF\nPort to Use=Shared Serial\n"
                         "Dedicated Serial Port=Comm1\nPTT=ON\nMacro #1=TEST\n"));
    standIn.pause();
    // The window repaints while the request waits for its answer.
    PaintCounter painted(window(), [&] { return window().station().keyer().state().isSending; });
    QTimer::singleShot(500, &window(), [&] { window().update(); });
    QElapsedTimer held;
    held.start();
    QTest::keyClick(&window().typingBox(), Qt::Key_F1);
    // One wait of the link's bound, then the error: not one more for each release asked for.
    EXPECT_LT(held.elapsed(), 2 * kSendTimeout.count());
    EXPECT_GT(painted.count, 0);
    EXPECT_FALSE(window().station().keyer().state().isSending);
    EXPECT_EQ(window().typingBox().text(), QString());
    EXPECT_EQ(window().typingBox().notice(), QStringLiteral("CW Port error : Vorbel32 did not answer within 2 s"));

    // Once it takes messages again it sees PTT on, then key up and PTT off (on a connection of
    // their own), and no key down.
    standIn.resume();
    ASSERT_TRUE(standIn.waitForAll({QStringLiteral("501 0"), QStringLiteral("301 0"), QStringLiteral("601 0"),
                                    QStringLiteral("connection 1 closed"), QStringLiteral("connection 2 closed")}));
    EXPECT_EQ(Matching(standIn.lines(), {QStringLiteral("301 0"), QStringLiteral("601 0")}),
              (QStringList{"301 0", "601 0"}));
    ASSERT_TRUE(standIn.command(QStringLiteral("show"), QStringLiteral("radio: key")));
    EXPECT_TRUE(standIn.matchedLine().endsWith(QStringLiteral("radio: key up, PTT off"))) << standIn.matchedLine().toStdString();
    EXPECT_FALSE(standIn.lines().join(u'\n').contains(QStringLiteral(" 401 0")));

    // The next transmission asks for the lines again.
    QTest::keyClicks(&window().typingBox(), QStringLiteral("e"));
    EXPECT_TRUE(standIn.waitForLine(QStringLiteral("401 0 key down")));
    EXPECT_TRUE(standIn.waitForLine(QStringLiteral("601 0 PTT off")));
}

TEST_F(StationWithLoggingProgram, TuneAgainstAStalledLoggingProgramSwitchesItselfOff)
{
    start(QStringLiteral("[frmTavrik Settings]\nPTT Delay=0\nPort to Use=Shared Serial\n"
                         "Dedicated Serial Port=Comm1\nPTT=ON\n"));
    standIn.pause();
    window().menus().mnuTune->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window().station().transmit().tuneActive(); }, 10000));
    EXPECT_FALSE(window().station().keyer().state().isSending);
    EXPECT_FALSE(window().keyLamp().isOn());
    EXPECT_FALSE(window().pttLamp().isOn());
    EXPECT_TRUE(window().typingBox().notice().startsWith(QStringLiteral("CW Port error : ")));
    standIn.resume();
}

} // namespace
} // namespace tavrik
