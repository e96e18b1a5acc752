#include "operator/tavrik_menus.h"
#include "support/qt_print.h"
#include "support/station_fixture.h"
#include "keyer/morse.h"
#include "operator/lamp.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace tavrik {
namespace {

using test::SimulatedClock;

class TypingBoxTest : public ::testing::Test {
protected:
    TypingBoxTest() { window.typingBox().setFocus(); }

    void type(const QString& keys) { QTest::keyClicks(&window.typingBox(), keys); }
    // Queues the text in manual mode, then sends it with the transmit command.
    void typeAndTransmit(const QString& keys)
    {
        window.menus().mnuMOX->trigger();
        type(keys);
        window.menus().mnuTX->trigger();
    }
    std::size_t keyDowns() const { return station.keyDowns(); }
    void after(double ms, std::function<void()> action) { station.after(ms, std::move(action)); }

    test::Station station;
    FrmTavrik& window = station.window();
    test::EdgeLog& log = station.log;
};

TEST_F(TypingBoxTest, TypingSendsAtOnceInAutomaticMode)
{
    type(QStringLiteral("e"));
    EXPECT_EQ(keyDowns(), 1u);
    EXPECT_TRUE(window.typingBox().text().isEmpty());
    EXPECT_FALSE(window.station().keyer().state().isSending);
}

TEST_F(TypingBoxTest, ManualModeOnlyArmsTheTransmitCommand)
{
    window.menus().mnuMOX->trigger();
    EXPECT_FALSE(window.menus().mnuTX->isEnabled());
    type(QStringLiteral("cq"));
    EXPECT_EQ(keyDowns(), 0u);
    EXPECT_EQ(window.typingBox().text(), QStringLiteral("CQ"));
    EXPECT_TRUE(window.menus().mnuTX->isEnabled());
    window.menus().mnuTX->trigger();
    EXPECT_EQ(keyDowns(), 8u); // -.-. --.-
    EXPECT_TRUE(window.typingBox().text().isEmpty());
}

TEST_F(TypingBoxTest, TypingDuringSendingIsPickedUpByTheRunningLoop)
{
    after(30, [&] { type(QStringLiteral("t")); });
    type(QStringLiteral("e"));
    EXPECT_EQ(keyDowns(), 2u);
    EXPECT_EQ(log.only({"priority raised"}).size(), 1u); // one transmission, one loop
}

TEST_F(TypingBoxTest, EscapeEmptiesTheBoxAndPutsTheSpeedBack)
{
    after(100, [&] {
        EXPECT_EQ(window.station().keyer().state().wpm, 22);
        QTest::keyClick(&window.typingBox(), Qt::Key_Escape);
        EXPECT_TRUE(window.typingBox().text().isEmpty());
        EXPECT_EQ(window.station().keyer().state().wpm, 20);
    });
    typeAndTransmit(QStringLiteral("e") + QChar(0x00BB) + QStringLiteral("eeeee"));
    EXPECT_EQ(keyDowns(), 2u); // the letter being keyed at the abort ends normally
    EXPECT_EQ(window.station().keyer().state().wpm, 20);
    EXPECT_EQ(window.speedText(), QStringLiteral(" Keying speed = 20 WPM"));
}

TEST_F(TypingBoxTest, BackspaceRemovesTheLastCharacterWhereverTheCaretIs)
{
    window.menus().mnuMOX->trigger();
    type(QStringLiteral("abc"));
    QTextCursor cursor = window.typingBox().textCursor();
    cursor.setPosition(0);
    window.typingBox().setTextCursor(cursor);
    QTest::keyClick(&window.typingBox(), Qt::Key_Backspace);
    EXPECT_EQ(window.typingBox().text(), QStringLiteral("AB"));
    type(QStringLiteral("x")); // typed text still goes to the end
    EXPECT_EQ(window.typingBox().text(), QStringLiteral("ABX"));
    window.typingBox().clear();
    QTest::keyClick(&window.typingBox(), Qt::Key_Backspace);
    EXPECT_TRUE(window.typingBox().text().isEmpty());
}

TEST_F(TypingBoxTest, ProsignKeysAppendTheirSigns)
{
    window.menus().mnuMOX->trigger();
    const struct { char key; const char* sign; } cases[] = {{'+', "A^R"}, {'=', "B^T"}, {'&', "A^S"}, {'!', "S^N"}};
    for (const auto& c : cases) {
        window.typingBox().clear();
        type(QStringLiteral("k"));
        type(QString(QChar(c.key)));
        EXPECT_EQ(window.typingBox().text(), QStringLiteral("K ") + QLatin1String(c.sign)) << c.key;
    }
    window.typingBox().clear();
    type(QStringLiteral("+"));
    EXPECT_EQ(window.typingBox().text(), QStringLiteral("A^R")); // no blank in an empty box
}

TEST_F(TypingBoxTest, EnterIsSwallowed)
{
    window.menus().mnuMOX->trigger();
    type(QStringLiteral("ab"));
    QTest::keyClick(&window.typingBox(), Qt::Key_Return);
    EXPECT_EQ(window.typingBox().text(), QStringLiteral("AB"));
}

TEST_F(TypingBoxTest, FirstCloseWhileSendingOnlyAborts)
{
    bool closed = true;
    after(30, [&] { closed = window.close(); });
    typeAndTransmit(QStringLiteral("eeeeeeee"));
    EXPECT_FALSE(closed);
    EXPECT_TRUE(window.isVisible());
    EXPECT_LE(keyDowns(), 2u);
    EXPECT_TRUE(window.typingBox().text().isEmpty());
    EXPECT_TRUE(window.close()); // the second close goes through
}

// The elements of the key edges at 20 WPM, letters separated by one blank.
QString KeyedElements(const test::EdgeLog& log)
{
    QString elements;
    const auto edges = log.only({"key down", "key up"});
    for (std::size_t i = 0; i + 1 < edges.size(); i += 2) {
        const double mark = SimulatedClock::toMs(edges[i + 1].time - edges[i].time);
        elements += mark > 120 ? u'-' : u'.';
        if (i + 2 < edges.size() && SimulatedClock::toMs(edges[i + 2].time - edges[i + 1].time) > 120)
            elements += u' ';
    }
    return elements;
}

QString ElementsOf(const QString& text)
{
    QStringList letters;
    for (const QChar c : text)
        if (c != u' ')
            letters << MorseForChar(QString(c), 0x0409);
    return letters.join(u' ');
}

struct CallsignCorrection {
    const char* queued;
    const char* oldCall;
    const char* newCall;
    int changedWhileSending; // the 1-based character going out when the field changes
    const char* keyed;
    // The operator rubs the old callsign out and types the new one key by key, rather than
    // the logging program writing it at once.
    bool retyped = false;
};

void PrintTo(const CallsignCorrection& c, std::ostream* os)
{
    *os << c.queued << ": " << c.oldCall << " to " << c.newCall << " at " << c.changedWhileSending;
}

class CallsignCorrectionTest : public ::testing::TestWithParam<CallsignCorrection> {};

TEST_P(CallsignCorrectionTest, WhatGoesOutFollowsTheField)
{
    const CallsignCorrection& c = GetParam();
    test::Station station(QStringLiteral("[frmTavrik Settings]\nKeying=MOX\n"));
    FrmTavrik& window = station.window();
    window.callsignField().setText(QLatin1String(c.oldCall));
    bool changed = false;
    std::function<void()> watch = [&] {
        // The first character is being keyed before the keyer counts it.
        const int going = std::max(window.station().keyer().state().sentCharCount, 1);
        if (station.keyDowns() > 0 && going == c.changedWhileSending) {
            changed = true;
            if (c.retyped) {
                for (qsizetype i = 0; i < QLatin1String(c.oldCall).size(); ++i)
                    QTest::keyClick(&window.callsignField(), Qt::Key_Backspace);
                QTest::keyClicks(&window.callsignField(), QString::fromLatin1(c.newCall).toLower());
            } else {
                window.callsignField().setText(QLatin1String(c.newCall));
            }
            // The box shows what goes out.
            EXPECT_EQ(window.typingBox().text(), QLatin1String(c.keyed));
            return;
        }
        station.after(5, watch);
    };
    station.after(5, watch);
    const QString queued = QLatin1String(c.queued);
    QTest::keyClicks(&window.typingBox(), queued.left(1));
    window.typingBox().insertAtEnd(queued.mid(1));
    window.menus().mnuTX->trigger();
    ASSERT_TRUE(changed);
    EXPECT_EQ(KeyedElements(station.log), ElementsOf(QLatin1String(c.keyed)));
}

INSTANTIATE_TEST_SUITE_P(
    HalfSentAndUnsent, CallsignCorrectionTest,
    ::testing::Values(
        // Half sent: the rest of the callsign follows anew, later copies are replaced whole.
        CallsignCorrection{"TU K1ABC 5NN K1ABC", "K1ABC", "K1XYZ", 6, "TU K1AYZ 5NN K1XYZ"},
        // Not begun yet, and the new callsign contains the old one: replaced once, not twice.
        CallsignCorrection{"TU W1A 5NN", "W1A", "W1AW", 3, "TU W1AW 5NN"},
        CallsignCorrection{"TU W1A 5NN", "W1A", "W1AW", 2, "TU W1AW 5NN"},
        // Its first letter is going out as the transmission opens: that letter stays.
        CallsignCorrection{"W1A 5NN", "W1A", "DL1ABC", 1, "WL1ABC 5NN"},
        // Wholly sent: only the copies still queued change.
        CallsignCorrection{"W1A DE W1A", "W1A", "K2B", 5, "W1A DE K2B"},
        // Typed into an empty field: no letter of it is a callsign in the text ("K" ends the over).
        CallsignCorrection{"CQ DE SM5KAB K", "", "K1ABC", 2, "CQ DE SM5KAB K", true},
        // Retyped key by key: the queued callsign goes whole, once the field holds a callsign again.
        CallsignCorrection{"TU K1ABC 5NN", "K1ABC", "DL2XYZ", 2, "TU DL2XYZ 5NN", true},
        // Only whole callsigns: never part of a longer word.
        CallsignCorrection{"TU K1ABC 5NN K1A", "K1A", "W1AW", 2, "TU K1ABC 5NN W1AW"}));

TEST_F(TypingBoxTest, LoggedCallsignsKeepTheLastEight)
{
    for (int i = 1; i <= 9; ++i) {
        window.callsignField().setText(QStringLiteral("K%1AA").arg(i));
        window.addCallsignToHistory();
    }
    QComboBox& history = window.history();
    ASSERT_EQ(history.count(), 8);
    EXPECT_EQ(history.itemText(0), QStringLiteral("K9AA"));
    EXPECT_EQ(history.itemText(7), QStringLiteral("K2AA"));
    window.callsignField().setText(QStringLiteral("K9AA"));
    window.addCallsignToHistory();
    EXPECT_EQ(history.itemText(1), QStringLiteral("K9AA")); // repeats are kept
}

TEST_F(TypingBoxTest, ALongPasteIsSentOnceCharacterByCharacter)
{
    QString pasted;
    for (int i = 0; i < 750; ++i)
        pasted += QStringLiteral("et");
    QApplication::clipboard()->setText(pasted + QStringLiteral("\n"));
    QTest::mouseClick(window.typingBox().viewport(), Qt::RightButton);
    EXPECT_EQ(keyDowns(), 1500u);
    EXPECT_TRUE(window.typingBox().text().isEmpty());
    EXPECT_EQ(log.only({"priority raised"}).size(), 1u);
}

class AbortAnyTime : public ::testing::TestWithParam<double> {};

TEST_P(AbortAnyTime, EscapeOrClosingEndsTheTransmissionCleanly)
{
    // PTT lead-in until 100 ms, then T (100-280), letter gap, E, word space, E ...
    for (const bool closing : {false, true}) {
        test::Station station(QStringLiteral("[frmTavrik Settings]\nKeying=MOX\nPTT=ON\nPTT Delay=100\nSlow Typing=ON\n"));
        FrmTavrik& window = station.window();
        bool stillOpen = true;
        station.after(GetParam(), [&] {
            if (closing)
                stillOpen = !window.close();
            else
                QTest::keyClick(&window.typingBox(), Qt::Key_Escape);
        });
        QTest::keyClicks(&window.typingBox(), QStringLiteral("t"));
        window.typingBox().insertAtEnd(QStringLiteral("E EEEE"));
        window.menus().mnuTX->trigger();
        EXPECT_TRUE(window.typingBox().text().isEmpty()) << GetParam();
        EXPECT_FALSE(window.station().keyer().state().isSending);
        EXPECT_TRUE(stillOpen); // the first close only aborts
        EXPECT_EQ(station.log.only({"ptt on"}).size(), station.log.only({"ptt off"}).size());
        EXPECT_EQ(station.log.only({"key down"}).size(), station.log.only({"key up"}).size());
        EXPECT_LT(station.keyDowns(), 6u) << GetParam();
        EXPECT_EQ(window.station().keyer().state().wpm, 20);
    }
}

INSTANTIATE_TEST_SUITE_P(LeadInKeyingGapsAndHold, AbortAnyTime, ::testing::Values(50.0, 190.0, 330.0, 600.0));

TEST_F(TypingBoxTest, TextTypedRightAfterEscapeIsSentAsANewTransmission)
{
    // Esc while the third E is keyed, then "T" typed before that E has ended.
    after(1, [&] {
        window.typingBox().insertAtEnd(QStringLiteral("EEEEEEE"));
        after(499, [&] {
            QTest::keyClick(&window.typingBox(), Qt::Key_Escape);
            type(QStringLiteral("t"));
        });
    });
    type(QStringLiteral("e"));
    EXPECT_EQ(KeyedElements(log), QStringLiteral(". . . -"));
    EXPECT_EQ(log.only({"priority raised"}).size(), 2u);
    EXPECT_TRUE(window.typingBox().text().isEmpty());
    EXPECT_FALSE(window.station().keyer().state().isSending);
}

TEST_F(TypingBoxTest, AnEmptyPasteStartsNothing)
{
    window.menus().mnuMOX->trigger();
    type(QStringLiteral("e"));
    window.menus().mnuVOX->trigger(); // switching sends nothing, and neither may the paste
    QApplication::clipboard()->clear();
    QTest::mouseClick(window.typingBox().viewport(), Qt::RightButton);
    EXPECT_EQ(keyDowns(), 0u);
    EXPECT_EQ(window.typingBox().text(), QStringLiteral("E"));
}

TEST_F(TypingBoxTest, TheKeyingModeIsStoredAndChoosingItAgainChangesNothing)
{
    window.menus().mnuMOX->trigger();
    EXPECT_TRUE(station.iniText().contains(QStringLiteral("Keying=MOX")));
    type(QStringLiteral("e"));
    EXPECT_TRUE(window.menus().mnuTX->isEnabled());
    window.menus().mnuMOX->trigger();
    EXPECT_TRUE(window.menus().mnuMOX->isChecked());
    EXPECT_FALSE(window.menus().mnuVOX->isChecked());
    EXPECT_TRUE(window.menus().mnuTX->isEnabled());
    window.menus().mnuVOX->trigger();
    EXPECT_TRUE(station.iniText().contains(QStringLiteral("Keying=VOX")));
    EXPECT_FALSE(window.menus().mnuTX->isEnabled());
}

TEST_F(TypingBoxTest, TuneIsRefusedWhileTextIsSentAndClosingEndsIt)
{
    after(100, [&] { window.menus().mnuTune->trigger(); });
    typeAndTransmit(QStringLiteral("eee"));
    EXPECT_EQ(keyDowns(), 3u);
    EXPECT_EQ(log.only({"priority raised"}).size(), 1u);
    EXPECT_FALSE(window.station().transmit().tuneActive());

    window.menus().mnuTune->trigger();
    EXPECT_TRUE(window.station().keyer().state().isSending);
    EXPECT_FALSE(window.close()); // the first close releases the key
    EXPECT_FALSE(window.station().keyer().state().isSending);
    EXPECT_FALSE(window.keyLamp().isOn());
    EXPECT_EQ(log.only({"key down"}).size(), log.only({"key up"}).size());
    EXPECT_TRUE(window.close());
}

TEST_F(TypingBoxTest, TuneHoldsTheKeyUntilAbort)
{
    window.menus().mnuTune->trigger();
    EXPECT_TRUE(window.station().keyer().state().isSending);
    EXPECT_EQ(keyDowns(), 1u);
    EXPECT_TRUE(window.keyLamp().isOn());
    QTest::keyClick(&window.typingBox(), Qt::Key_Escape);
    EXPECT_FALSE(window.station().keyer().state().isSending);
    EXPECT_EQ(log.only({"key up"}).size(), 1u);
    EXPECT_FALSE(window.keyLamp().isOn());
}

// Key edges while PTT is off: a transmitter keyed without being switched to transmit.
std::size_t KeyedWithoutPtt(const test::EdgeLog& log)
{
    bool ptt = false;
    std::size_t unsafe = 0;
    for (const test::Edge& e : log.only({"ptt on", "ptt off", "key down", "key up"})) {
        if (e.what == "ptt on" || e.what == "ptt off")
            ptt = e.what == "ptt on";
        else if (!ptt)
            ++unsafe;
    }
    return unsafe;
}

TEST(StationTransmit, TxDuringTheEndOfAnAbortedTransmissionSendsAfterIt)
{
    test::Station station(QStringLiteral("[frmTavrik Settings]\nKeying=MOX\nPTT=ON\nPTT Delay=0\nSlow Typing=OFF\n"));
    FrmTavrik& window = station.window();
    // Esc while the third E is keyed; "T" typed and Alt+T pressed before that E has ended.
    station.after(1, [&] {
        window.typingBox().insertAtEnd(QStringLiteral("EEEEEEE"));
        station.after(499, [&] {
            QTest::keyClick(&window.typingBox(), Qt::Key_Escape);
            QTest::keyClicks(&window.typingBox(), QStringLiteral("t"));
            QTest::keyClick(&window.typingBox(), Qt::Key_T, Qt::AltModifier);
        });
    });
    QTest::keyClicks(&window.typingBox(), QStringLiteral("e"));
    window.menus().mnuTX->trigger();
    EXPECT_EQ(KeyedElements(station.log), QStringLiteral(". . . -"));
    EXPECT_EQ(station.log.names({"ptt on", "ptt off"}), (std::vector<std::string>{"ptt on", "ptt off", "ptt on", "ptt off"}));
    EXPECT_EQ(KeyedWithoutPtt(station.log), 0u);
    EXPECT_TRUE(window.typingBox().text().isEmpty());
}

TEST(StationTransmit, TuneSwitchesPttBeforeTheKeyAndReleasesItAfter)
{
    const struct { const char* what; std::function<void(FrmTavrik&)> during; std::vector<std::string> edges; } cases[] = {
        {"tuned", nullptr, {"ptt on", "key down", "key up", "ptt off"}},
        {"Tune again in the lead-in", [](FrmTavrik& w) { w.menus().mnuTune->trigger(); }, {"ptt on", "ptt off"}},
        {"Esc in the lead-in", [](FrmTavrik& w) { QTest::keyClick(&w.typingBox(), Qt::Key_Escape); }, {"ptt on", "ptt off"}},
    };
    for (const auto& c : cases) {
        test::Station station(QStringLiteral("[frmTavrik Settings]\nPTT=ON\nPTT Delay=100\n"));
        FrmTavrik& window = station.window();
        if (c.during)
            station.after(50, [&] { c.during(window); });
        window.menus().mnuTune->trigger();
        if (window.station().transmit().tuneActive())
            window.menus().mnuTune->trigger();
        const auto edges = station.log.only({"ptt on", "ptt off", "key down", "key up"});
        EXPECT_EQ(station.log.names({"ptt on", "ptt off", "key down", "key up"}), c.edges) << c.what;
        if (edges.size() == 4) {
            EXPECT_NEAR(SimulatedClock::toMs(edges[1].time - edges[0].time), 100, 0.1) << c.what;
        }
        EXPECT_FALSE(window.station().keyer().state().isSending) << c.what;
    }
}

TEST(StationTransmit, OnlyAContactWorkedToTheEndIsLogged)
{
    const struct { const char* what; bool escape; bool pressAgain; std::vector<std::size_t> loggedAfterKeyDowns; } cases[] = {
        {"sent whole", false, false, {3}},
        {"aborted", true, false, {}},
        {"aborted, then pressed again", true, true, {5}}, // logged once its own text has gone
    };
    for (const auto& c : cases) {
        test::Station station(test::Station::QuickMainSection() + QStringLiteral("Macro #1=EEE $log$\n"));
        FrmTavrik& window = station.window();
        window.callsignField().setText(QStringLiteral("K1ABC"));
        std::vector<std::size_t> logged;
        QObject::connect(window.history().model(), &QAbstractItemModel::rowsInserted, [&] { logged.push_back(station.keyDowns()); });
        if (c.escape) {
            station.after(250, [&] { // the second E
                QTest::keyClick(&window.typingBox(), Qt::Key_Escape);
                if (c.pressAgain)
                    QTest::keyClick(&window.typingBox(), Qt::Key_F1);
            });
        }
        QTest::keyClick(&window.typingBox(), Qt::Key_F1);
        QTest::keyClicks(&window.typingBox(), QStringLiteral("e")); // the next, unrelated transmission
        EXPECT_EQ(logged, c.loggedAfterKeyDowns) << c.what;
    }
}

TEST(StationTransmit, TextFromAnInputMethodIsTypedText)
{
    test::Station station(QStringLiteral("[frmTavrik Settings]\nKeying=MOX\nPTT Delay=0\nSlow Typing=OFF\n"));
    FrmTavrik& window = station.window();
    const auto commit = [](QWidget* to, const QString& text) {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(to, &event);
    };
    QInputMethodEvent composing(QStringLiteral("´"), {}); // a dead key shown, not yet typed
    QApplication::sendEvent(&window.typingBox(), &composing);
    EXPECT_TRUE(window.typingBox().text().isEmpty());
    commit(&window.typingBox(), QStringLiteral("é")); // ... and then e
    EXPECT_EQ(window.typingBox().text(), QStringLiteral("É"));
    EXPECT_TRUE(window.menus().mnuTX->isEnabled());
    commit(&window.typingBox(), QStringLiteral("+")); // a prosign key
    EXPECT_EQ(window.typingBox().text(), QStringLiteral("É A^R"));
    commit(&window.callsignField(), QStringLiteral("dl1"));
    EXPECT_EQ(window.callsignField().text(), QStringLiteral("DL1"));

    window.menus().mnuVOX->trigger();
    window.typingBox().clear();
    commit(&window.typingBox(), QStringLiteral("e"));
    EXPECT_EQ(station.keyDowns(), 1u);
    EXPECT_TRUE(window.typingBox().text().isEmpty());
}

} // namespace
} // namespace tavrik
