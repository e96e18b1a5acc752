#include "fake_macro_context.h"
#include "macros/macro_expander.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

using test::FakeMacroContext;
using Given = std::function<void(FakeMacroContext&)>;

QString Expand(FakeMacroContext& context, const QString& macro)
{
    MacroExpander expander(context);
    return expander.ExpandMacro(macro);
}

struct TextCase {
    const char* what;
    Given given;
    QString macro;
    QString expected;
};

void RunTextCases(const std::vector<TextCase>& cases)
{
    for (const TextCase& c : cases) {
        FakeMacroContext context;
        if (c.given)
            c.given(context);
        EXPECT_EQ(Expand(context, c.macro), c.expected) << c.what;
    }
}

Given Slot(int slot, const QString& text)
{
    return [slot, text](FakeMacroContext& c) { c.mirrors.at(static_cast<std::size_t>(slot)) = FakeMacroContext::Slot(text); };
}

Given Serial(const QString& text, const QString& format, ZeroPreference zeros)
{
    return [=](FakeMacroContext& c) {
        c.mirrors[2] = FakeMacroContext::Slot(text);
        c.format = format;
        c.zeros = zeros;
    };
}

TEST(MacroValues, ReplaceTokensInAnyLetterCase)
{
    const Given station = [](FakeMacroContext& c) {
        c.name = QStringLiteral("john");
        c.callsign = QStringLiteral("dl1abc");
        c.mine = QStringLiteral("SM5XYZ");
        c.band = QStringLiteral("20M");
    };
    RunTextCases({
        {"name is upper-cased, callsign kept", station, QStringLiteral("$CALL$ TU $NAME$"), QStringLiteral("dl1abc TU JOHN")},
        {"mixed case tokens", station, QStringLiteral("$Name$ $name$ $CaLl$"), QStringLiteral("JOHN JOHN dl1abc")},
        {"own callsign and band", station, QStringLiteral("DE $MYCALL$ ON $BAND$"), QStringLiteral("DE SM5XYZ ON 20M")},
        {"empty fields give nothing", nullptr, QStringLiteral("[$NAME$][$CALL$]"), QStringLiteral("[][]")},
        {"speed markers", nullptr, QStringLiteral("$SPEED+$$SPEED+$CQ$SPEED-$"), QStringLiteral("\u00BB\u00BBCQ\u00AB")},
    });
}

TEST(MacroValues, Reports)
{
    RunTextCases({
        {"empty report is 599", nullptr, QStringLiteral("$SENTRST$ $RECEIVEDRST$"), QStringLiteral("599 599")},
        {"empty report cut", nullptr, QStringLiteral("$SENTRSTN$ $RECEIVEDRSTN$"), QStringLiteral("5NN 5NN")},
        {"report from the slot", Slot(8, QStringLiteral("  579")), QStringLiteral("$SENTRST$ $SENTRSTN$"), QStringLiteral("579 57N")},
        {"received report", Slot(9, QStringLiteral("599")), QStringLiteral("$RECEIVEDRSTN$"), QStringLiteral("5NN")},
        {"slot without NUL reads empty", [](FakeMacroContext& c) { c.mirrors[8] = QString(64, u'4'); },
         QStringLiteral("$SENTRST$"), QStringLiteral("599")},
    });
}

TEST(MacroValues, SerialNumbers)
{
    const auto T = ZeroPreference::LetterT;
    const auto O = ZeroPreference::LetterO;
    const auto D = ZeroPreference::Digit;
    RunTextCases({
        {"### is no serial", Serial("###", "", D), QStringLiteral("[$SERIALNUM$][$SERIALNUM-1$]"), QStringLiteral("[][]")},
        {"1 has no predecessor", Serial("1", "000", D), QStringLiteral("[$SERIALNUM-1$]"), QStringLiteral("[]")},
        {"format and Send 0 as T", Serial("10", "000", T), QStringLiteral("$SERIALNUM-1$ $SERIALNUM$"), QStringLiteral("TT9 1T")},
        {"Send 0 as O", Serial("100", "", O), QStringLiteral("$SERIALNUM$ $SERIALNUM-1$"), QStringLiteral("1OO 99")},
        {"no format: plain number", Serial("042", "", D), QStringLiteral("$SERIALNUM$ $SERIALNUM-1$"), QStringLiteral("042 41")},
        {"grouping pattern", Serial("1235", "#,##0", D), QStringLiteral("$SERIALNUM-1$"), QStringLiteral("1,234")},
        {"leading number only", Serial("25A", "", D), QStringLiteral("$SERIALNUM-1$"), QStringLiteral("24")},
        {"large number in decimals", Serial("100000000000000000001", "", D), QStringLiteral("$SERIALNUM-1$"),
         QStringLiteral("100000000000000000000")},
        // Garbage from the logging program.
        {"letters", Serial("ABC", "000", T), QStringLiteral("[$SERIALNUM$][$SERIALNUM-1$]"), QStringLiteral("[ABC][]")},
        {"empty slot", Serial("", "000", T), QStringLiteral("[$SERIALNUM$][$SERIALNUM-1$]"), QStringLiteral("[][]")},
        {"negative", Serial("-5", "000", D), QStringLiteral("[$SERIALNUM-1$]"), QStringLiteral("[]")},
        {"overflowing", Serial("1E400", "000", D), QStringLiteral("[$SERIALNUM-1$]"), QStringLiteral("[]")},
        {"no NUL", [](FakeMacroContext& c) { c.mirrors[2] = QString(64, u'7'); }, QStringLiteral("[$SERIALNUM$][$SERIALNUM-1$]"),
         QStringLiteral("[][]")},
    });
}

TEST(MacroValues, PatternsOfAnyShapeNeverBreakTheSerialNumber)
{
    // Not a numeric pattern: the plain number stands.
    for (const char* pattern : {"ABC", "0;0", "%", "0 ", "\"No\"0", "\\0"}) {
        FakeMacroContext context;
        Serial("42", QString::fromLatin1(pattern), ZeroPreference::Digit)(context);
        EXPECT_EQ(Expand(context, QStringLiteral("$SERIALNUM-1$")), QStringLiteral("41")) << pattern;
    }
    const struct { const char* pattern; const char* expected; } numeric[] = {
        {"#", "41"}, {"00000", "00041"}, {"0.00", "41.00"}, {".", "41"},
        {"0000000000000000000000000000000000000000", "0000000000000000000000000000000000000041"},
    };
    for (const auto& c : numeric) {
        FakeMacroContext context;
        Serial("42", QString::fromLatin1(c.pattern), ZeroPreference::Digit)(context);
        EXPECT_EQ(Expand(context, QStringLiteral("$SERIALNUM-1$")), QString::fromLatin1(c.expected)) << c.pattern;
    }
}

TEST(MacroValues, MalformedTokensStayAsText)
{
    RunTextCases({
        {"lone dollar", nullptr, QStringLiteral("5$ OK"), QStringLiteral("5$ OK")},
        {"double dollar", nullptr, QStringLiteral("$$"), QStringLiteral("$$")},
        {"unknown token", nullptr, QStringLiteral("$FOO$ $CALLSIGN$"), QStringLiteral("$FOO$ $CALLSIGN$")},
        {"unclosed value token", nullptr, QStringLiteral("$CALL"), QStringLiteral("$CALL")},
        {"unclosed command", nullptr, QStringLiteral("CQ $COMMAND QRZ"), QStringLiteral("CQ $COMMAND QRZ")},
        {"unclosed hex command", nullptr, QStringLiteral("$HEXCOMMAND 1A2B"), QStringLiteral("$HEXCOMMAND 1A2B")},
        {"closed command before an unclosed one", nullptr, QStringLiteral("$COMMAND CQ$ $COMMAND X"), QStringLiteral(" $COMMAND X")},
    });
}

TEST(MacroValues, InsertedValueHoldingItsOwnTokenIsInsertedOnce)
{
    RunTextCases({
        {"report", Slot(8, QStringLiteral("$SENTRST$")), QStringLiteral("$SENTRST$ $SENTRST$"), QStringLiteral("$SENTRST$ $SENTRST$")},
        {"cut report", Slot(9, QStringLiteral("X$RECEIVEDRSTN$")), QStringLiteral("$RECEIVEDRSTN$"), QStringLiteral("X$RECEIVEDRSTN$")},
        {"serial number", Serial("$SERIALNUM$", "", ZeroPreference::Digit), QStringLiteral("$SERIALNUM$!"),
         QStringLiteral("$SERIALNUM$!")},
        {"name", [](FakeMacroContext& c) { c.name = QStringLiteral("$NAME$"); }, QStringLiteral("$NAME$"), QStringLiteral("$NAME$")},
        // A later rule does see what an earlier one inserted.
        {"later rule", [](FakeMacroContext& c) {
             Slot(8, QStringLiteral("$RECEIVEDRST$"))(c);
             Slot(9, QStringLiteral("589"))(c);
         }, QStringLiteral("$SENTRST$"), QStringLiteral("589")},
    });
}

struct ActionCase {
    const char* what;
    Given given;
    QString macro;
    QString expected;
    QStringList calls;
};

void RunActionCases(const std::vector<ActionCase>& cases)
{
    for (const ActionCase& c : cases) {
        FakeMacroContext context;
        if (c.given)
            c.given(context);
        EXPECT_EQ(Expand(context, c.macro), c.expected) << c.what;
        EXPECT_EQ(context.calls, c.calls) << c.what;
    }
}

const Given kLinkDown = [](FakeMacroContext& c) { c.link = false; };
const Given kSending = [](FakeMacroContext& c) { c.sending = true; };

TEST(MacroCommands, GoToSlotOneOnceEach)
{
    RunActionCases({
        {"command", nullptr, QStringLiteral("$COMMAND CQ$"), QString(), {"slot 1 Command CQ"}},
        {"blanks trimmed", nullptr, QStringLiteral("A$COMMAND   CQ TEST  $B"), QStringLiteral("AB"), {"slot 1 Command CQ TEST"}},
        {"same command twice sent once", nullptr, QStringLiteral("$COMMAND CQ$ X $COMMAND CQ$"), QStringLiteral(" X "),
         {"slot 1 Command CQ"}},
        {"two commands in turn", nullptr, QStringLiteral("$COMMAND A$$COMMAND B$"), QString(),
         {"slot 1 Command A", "slot 1 Command B"}},
        {"hex command too short", nullptr, QStringLiteral("$HEXCOMMAND 1A$"), QString(), {}},
        {"hex command of three", nullptr, QStringLiteral("$HEXCOMMAND  1A2 $"), QString(), {}},
        {"hex command", nullptr, QStringLiteral("$HEXCOMMAND 1A2B$"), QString(), {"slot 1 HexCommand 1A2B"}},
        {"commands before hex commands", nullptr, QStringLiteral("$HEXCOMMAND 0102$ $COMMAND QRZ$"), QStringLiteral(" "),
         {"slot 1 Command QRZ", "slot 1 HexCommand 0102"}},
        {"command runs to the next dollar", nullptr, QStringLiteral("$COMMAND X $COMMAND CQ$"), QStringLiteral("COMMAND CQ$"),
         {"slot 1 Command X"}},
        {"link down: removed, not sent", kLinkDown, QStringLiteral("$COMMAND CQ$$HEXCOMMAND 1A2B$"), QString(), {}},
    });
}

TEST(MacroActions, ActInStepOrder)
{
    const Given withCallsign = [](FakeMacroContext& c) { c.callsign = QStringLiteral("DL1ABC"); };
    RunActionCases({
        {"log now", nullptr, QStringLiteral("TU$LOGIMMEDIATE$"), QStringLiteral("TU"), {"log now"}},
        {"rotor by step, not by place", nullptr, QStringLiteral("$ROTORLP$ $ROTOR$"), QStringLiteral(" "),
         {"post 800 0", "post 800 1"}},
        {"clear log and rotor without the link", kLinkDown, QStringLiteral("$CLEARLOG$$ROTOR$"), QString(),
         {"post 700 0", "post 800 0"}},
        {"each occurrence acts", nullptr, QStringLiteral("$clearlog$$CLEARLOG$"), QString(), {"post 700 0", "post 700 0"}},
        {"removal joins a new token", nullptr, QStringLiteral("$RO$ROTOR$TOR$"), QString(), {"post 800 0", "post 800 0"}},
        {"reset while idle", nullptr, QStringLiteral("$RESET$"), QString(), {"reset lines"}},
        {"reset while sending", kSending, QStringLiteral("$RESET$"), QString(), {}},
        {"log after sending", nullptr, QStringLiteral("TU $LOG$"), QStringLiteral("TU "), {"log after sending"}},
        {"clear while idle", nullptr, QStringLiteral("$CLEAR$TEST"), QStringLiteral("TEST"), {"clear box and callsign"}},
        {"clear while sending", kSending, QStringLiteral("$CLEAR$TEST"), QStringLiteral("TEST"), {}},
        {"callsign is taken before the fields are cleared", withCallsign, QStringLiteral("$CALL$ $CLEAR$"),
         QStringLiteral("DL1ABC "), {"clear box and callsign"}},
    });
}

TEST(MacroActions, LoopPausesFiveSecondsPerTokenUpToTheTimersLimit)
{
    const struct { int tokens; std::int32_t ms; } cases[] = {{1, 5000}, {2, 10000}, {13, 65000}, {14, 65535}, {40, 65535}};
    for (const auto& c : cases) {
        FakeMacroContext context;
        EXPECT_EQ(Expand(context, QStringLiteral("$LOOP$").repeated(c.tokens) + QStringLiteral("CQ")), QStringLiteral("CQ"));
        EXPECT_EQ(context.loopMs, c.ms) << c.tokens;
    }
    // The loop timer zeroes the interval before it presses the button again.
    FakeMacroContext context;
    for (int repetition = 0; repetition < 3; ++repetition) {
        context.loopMs = 0;
        Expand(context, QStringLiteral("CQ $LOOP$$LOOP$"));
        EXPECT_EQ(context.loopMs, 10000);
    }
}

TEST(MacroSpeedSteps, SoftwareKeyer)
{
    const auto at = [](std::int16_t wpm, bool sending = false) {
        return [=](FakeMacroContext& c) {
            c.wpm = c.savedWpm = wpm;
            c.sending = sending;
        };
    };
    const struct {
        const char* what;
        Given given;
        QString macro;
        std::int16_t wpm;
        std::int16_t savedWpm;
        QStringList calls;
    } cases[] = {
        {"up", at(20), QStringLiteral("$CWSPEEDUP$"), 21, 20, {"show 21", "write [frmTavrik Settings] WPM=21"}},
        {"down while sending moves the saved speed", at(20, true), QStringLiteral("$CWSPEEDDN$"), 19, 19,
         {"show 19", "write [frmTavrik Settings] WPM=19"}},
        {"upper bound", at(50), QStringLiteral("$CWSPEEDUP$"), 50, 50, {"show 50", "write [frmTavrik Settings] WPM=50"}},
        {"lower bound", at(1), QStringLiteral("$CWSPEEDDN$"), 1, 1, {"show 1", "write [frmTavrik Settings] WPM=1"}},
        {"above the range only comes down", at(60), QStringLiteral("$CWSPEEDUP$$CWSPEEDDN$"), 59, 60,
         {"show 60", "write [frmTavrik Settings] WPM=60", "show 59", "write [frmTavrik Settings] WPM=59"}},
        {"up runs before down", at(1), QStringLiteral("$CWSPEEDDN$$CWSPEEDUP$"), 1, 1,
         {"show 2", "write [frmTavrik Settings] WPM=2", "show 1", "write [frmTavrik Settings] WPM=1"}},
    };
    for (const auto& c : cases) {
        FakeMacroContext context;
        c.given(context);
        EXPECT_EQ(Expand(context, c.macro), QString()) << c.what;
        EXPECT_EQ(context.wpm, c.wpm) << c.what;
        EXPECT_EQ(context.savedWpm, c.savedWpm) << c.what;
        EXPECT_EQ(context.calls, c.calls) << c.what;
    }
}

TEST(MacroSpeedSteps, WinKey)
{
    const auto winKeyAt = [](std::int16_t speed, bool analog) {
        return [=](FakeMacroContext& c) {
            c.winKey = true;
            c.winKeyWpm = speed;
            c.analogSpeed = analog;
        };
    };
    RunActionCases({
        {"up", winKeyAt(25, false), QStringLiteral("$CWSPEEDUP$"), QString(),
         {"write [WinKey Settings] WinKey Speed=26", "winkey 1C 1A", "show 26"}},
        {"down", winKeyAt(25, false), QStringLiteral("$CWSPEEDDN$"), QString(),
         {"write [WinKey Settings] WinKey Speed=24", "winkey 1C 18", "show 24"}},
        {"analog speed: stored only", winKeyAt(25, true), QStringLiteral("$CWSPEEDUP$"), QString(),
         {"write [WinKey Settings] WinKey Speed=26"}},
        {"fits one byte", winKeyAt(99, false), QStringLiteral("$CWSPEEDUP$"), QString(),
         {"write [WinKey Settings] WinKey Speed=99", "winkey 1C 63", "show 99"}},
        {"slowest", winKeyAt(5, false), QStringLiteral("$CWSPEEDDN$"), QString(),
         {"write [WinKey Settings] WinKey Speed=5", "winkey 1C 05", "show 5"}},
        {"stored above one byte's range", winKeyAt(300, false), QStringLiteral("$CWSPEEDDN$"), QString(),
         {"write [WinKey Settings] WinKey Speed=99", "winkey 1C 63", "show 99"}},
        {"stored below the slowest", winKeyAt(-3, false), QStringLiteral("$CWSPEEDUP$"), QString(),
         {"write [WinKey Settings] WinKey Speed=5", "winkey 1C 05", "show 5"}},
    });
    FakeMacroContext context;
    winKeyAt(25, false)(context);
    context.sending = true;
    Expand(context, QStringLiteral("$CWSPEEDUP$"));
    EXPECT_EQ(context.winKeyWpm, 26);
    EXPECT_EQ(context.savedWpm, 26);
}

TEST(MacroExpander, PollsTheLinkBeforeReadingAnything)
{
    FakeMacroContext context;
    context.onPoll = [&context] {
        context.callsign = QStringLiteral("W1AW");
        context.mirrors[8] = FakeMacroContext::Slot(QStringLiteral("559"));
    };
    EXPECT_EQ(Expand(context, QStringLiteral("$CALL$ $SENTRSTN$")), QStringLiteral("W1AW 55N"));
    EXPECT_EQ(context.polls, 1);
}

} // namespace
} // namespace tavrik
