#include "macros/macro_expander.h"

#include "common/link_codes.h"
#include "common/queue_markers.h"
#include "common/trim_at_nul.h"
#include "common/vb_numbers.h"
#include "settings/setting_table.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace tavrik {
namespace {

constexpr int kCommandSlot = 1;
constexpr int kSerialSlot = 2;
constexpr int kSentReportSlot = 8;
constexpr int kReceivedReportSlot = 9;

} // namespace

QString MacroExpander::ExpandMacro(QString text)
{
    context_.pollLink();

    // Each rule runs over the whole text before the next; what a rule inserts is seen by
    // the rules after it.
    const auto replaceAll = [&text](QStringView token, const QString& value) {
        text.replace(token.toString(), value, Qt::CaseInsensitive);
    };
    replaceAll(u"$name$", context_.nameText().toUpper());
    replaceAll(u"$call$", context_.callsignText());
    replaceAll(u"$mycall$", context_.myCallsign());
    replaceAll(u"$band$", context_.bandText());
    replaceAll(u"$speed+$", QString(QChar(kSpeedUpMarker)));
    replaceAll(u"$speed-$", QString(QChar(kSpeedDownMarker)));

    SendCommands(text, u"$command", QStringLiteral("Command "), 0);
    // Hex commands of three characters or fewer cannot be meant: they are dropped.
    SendCommands(text, u"$hexcommand", QStringLiteral("HexCommand "), 4);

    const auto each = [&text](QStringView token, const std::function<QString()>& occurrence) {
        ReplaceEachOccurrence(text, token, occurrence);
    };
    const auto act = [&each](QStringView token, const std::function<void()>& action) {
        each(token, [&action] {
            action();
            return QString();
        });
    };
    each(u"$sentrst$", [this] { return Report(kSentReportSlot, false); });
    each(u"$receivedrst$", [this] { return Report(kReceivedReportSlot, false); });
    each(u"$sentrstn$", [this] { return Report(kSentReportSlot, true); });
    each(u"$receivedrstn$", [this] { return Report(kReceivedReportSlot, true); });
    act(u"$log$", [this] { context_.setLogAfterSending(); });
    act(u"$logimmediate$", [this] { context_.logContact(); });
    act(u"$clearlog$", [this] { context_.postNotice(LinkCode::kClearLogEntry, 0); });
    act(u"$rotor$", [this] { context_.postNotice(LinkCode::kRotor, 0); });
    act(u"$rotorlp$", [this] { context_.postNotice(LinkCode::kRotor, 1); });
    act(u"$loop$", [this] { AddLoopPause(); });
    act(u"$cwspeedup$", [this] { StepSpeed(+1); });
    act(u"$cwspeeddn$", [this] { StepSpeed(-1); });
    // While a transmission runs the lines and the box belong to the keyer.
    act(u"$reset$", [this] {
        if (!context_.isSending())
            context_.resetParallelLines();
    });
    act(u"$clear$", [this] {
        if (!context_.isSending())
            context_.clearTypingBoxAndCallsign();
    });
    each(u"$serialnum$", [this] { return SerialNumber(); });
    each(u"$serialnum-1$", [this] { return SerialNumberMinusOne(); });
    return text;
}

void MacroExpander::SendCommands(QString& text, QStringView head, const QString& fieldPrefix,
                                 qsizetype shortestSent)
{
    for (;;) {
        const qsizetype at = text.indexOf(head, 0, Qt::CaseInsensitive);
        if (at < 0)
            return;
        // Without its closing "$" the token is plain text, and so is every later one.
        const qsizetype close = text.indexOf(u'$', at + 1);
        if (close < 0)
            return;
        const QString token = text.mid(at, close - at + 1);
        const QString command = TrimBlanks(QStringView(text).mid(at + head.size(), close - at - head.size()));
        if (context_.linkUp() && command.size() >= shortestSent)
            context_.writeSlot(kCommandSlot, fieldPrefix + command);
        // The same command twice in one macro goes out once.
        text.remove(token, Qt::CaseSensitive);
    }
}

void MacroExpander::ReplaceEachOccurrence(QString& text, QStringView token,
                                          const std::function<QString()>& occurrence)
{
    qsizetype from = 0;
    qsizetype endOfInserted = 0;
    for (;;) {
        const qsizetype at = text.indexOf(token, from, Qt::CaseInsensitive);
        if (at < 0)
            return;
        const QString value = occurrence();
        text.replace(at, token.size(), value);
        if (value.isEmpty()) {
            // The text on both sides of a removed token may join into another one.
            from = std::max(endOfInserted, at - token.size() + 1);
        } else {
            endOfInserted = at + value.size();
            from = endOfInserted;
        }
    }
}

QString MacroExpander::Report(int slot, bool nines) const
{
    QString report = TrimAtNul(context_.slotMirror(slot));
    if (report.isEmpty())
        report = QStringLiteral("599");
    if (nines)
        report.replace(u'9', u'N');
    return report;
}

QString MacroExpander::SerialNumber() const
{
    const QString serial = TrimAtNul(context_.slotMirror(kSerialSlot));
    // "###" is how the logging program says there is no serial number.
    if (serial == u"###")
        return {};
    return WithZeroPreference(serial);
}

QString MacroExpander::SerialNumberMinusOne() const
{
    const double previous = LeadingNumber(TrimAtNul(context_.slotMirror(kSerialSlot))) - 1;
    if (!std::isfinite(previous) || previous <= 0)
        return {};
    // A pattern that is not a numeric format leaves the plain number.
    const QString digits = FormatNumber(previous, context_.serialFormat())
                               .value_or(QString::number(previous, 'f', QLocale::FloatingPointShortest));
    return WithZeroPreference(digits);
}

QString MacroExpander::WithZeroPreference(QString digits) const
{
    switch (context_.zeroPreference()) {
    case ZeroPreference::LetterO:
        return digits.replace(u'0', u'O');
    case ZeroPreference::LetterT:
        return digits.replace(u'0', u'T');
    case ZeroPreference::Digit:
        break;
    }
    return digits;
}

void MacroExpander::StepSpeed(int step)
{
    // A speed already outside the range is never pushed further out, nor pulled in the
    // wrong direction.
    const auto stepped = [step](std::int16_t speed, std::int16_t slowest, std::int16_t fastest) {
        if (step > 0 && speed < fastest)
            return static_cast<std::int16_t>(speed + 1);
        if (step < 0 && speed > slowest)
            return static_cast<std::int16_t>(speed - 1);
        return speed;
    };
    if (context_.winKeySelected()) {
        // The WinKey takes its speed as one byte: a stored speed outside the range comes in.
        const std::int16_t speed = std::clamp(stepped(context_.winKeySpeed(), kSlowestWinKeyWpm, kFastestWinKeyWpm),
                                              kSlowestWinKeyWpm, kFastestWinKeyWpm);
        context_.setWinKeySpeed(speed);
        Write(context_, Stored(setting::kWinKeySpeed, speed));
        // With the speed pot in charge the keyer and the display follow the pot.
        if (!context_.winKeyAnalogSpeed()) {
            constexpr char kBufferedSpeed = 0x1C;
            context_.winKeySend(QByteArray{} + kBufferedSpeed + static_cast<char>(speed));
            context_.setKeyingSpeed(speed);
        }
    } else {
        const std::int16_t speed = stepped(context_.keyingSpeed(), kSlowestSoftwareWpm, kFastestSoftwareWpm);
        context_.setKeyingSpeed(speed);
        Write(context_, Stored(setting::kWpm, speed));
    }
    if (context_.isSending())
        context_.setSavedSpeedToCurrent();
}

void MacroExpander::AddLoopPause()
{
    const std::int64_t longer = static_cast<std::int64_t>(context_.loopInterval()) + kLoopStepMs;
    context_.setLoopInterval(static_cast<std::int32_t>(std::min<std::int64_t>(longer, kLongestLoopMs)));
}

} // namespace tavrik
