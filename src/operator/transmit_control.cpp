#include "operator/transmit_control.h"

#include "keyer/software_keyer.h"
#include "operator/typing_box.h"

#include <algorithm>

namespace tavrik {
namespace {

// Letters, digits and the stroke of a portable call ("DL/K1ABC/P") make up one word.
bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'/';
}

bool StandsAlone(const QString& text, qsizetype at, qsizetype length)
{
    return (at == 0 || !IsWordChar(text.at(at - 1)))
           && (at + length == text.size() || !IsWordChar(text.at(at + length)));
}

} // namespace

TransmitControl::TransmitControl(SoftwareKeyer& keyer, TypingBox& box, TransmitControls& controls)
    : keyer_(keyer), box_(box), controls_(controls), chosen_(&keyer)
{
}

void TransmitControl::setColours(Colour textBoxBackColor, Colour loopingBackColor)
{
    textBoxBackColor_ = textBoxBackColor;
    loopingBackColor_ = loopingBackColor;
}

Colour TransmitControl::unsentColour() const
{
    return keyer_.options().textBoxForeColor;
}

void TransmitControl::appendToTypingBox(const QString& text)
{
    QString expanded = text.toUpper();
    if (expand_)
        expanded = expand_(expanded);
    box_.setTypingColour(unsentColour());
    box_.moveCaretToEnd();
    box_.insertAtEnd(box_.length() > 0 ? QStringLiteral(" ") + expanded : expanded);
    box_.moveCaretToEnd();
    typingBoxChanged();
}

void TransmitControl::appendQueuedText(const QString& text)
{
    box_.setTypingColour(unsentColour());
    box_.moveCaretToEnd();
    box_.insertAtEnd(text);
    box_.moveCaretToEnd();
    typingBoxChanged();
}

void TransmitControl::typingBoxChanged()
{
    if (box_.length() == 0 || !formReady_)
        return;
    if (controls_.manualTransmit()) {
        if (!keyer_.state().isSending)
            controls_.setTransmitEnabled(true);
        return;
    }
    if (!keyer_.state().isSending)
        startKeyer();
}

void TransmitControl::transmit()
{
    if (box_.length() == 0)
        return;
    // A transmission is still ending (the character keyed at an abort, or a tune): a second
    // send loop inside it would key on after its PTT has dropped. The starter that runs it
    // sends the new text once it has ended.
    if (keyer_.state().isSending) {
        transmitRequested_ = true;
        return;
    }
    startKeyer();
}

void TransmitControl::startKeyer()
{
    if (!controls_.keyingLinesReady())
        return;
    do {
        transmitRequested_ = false;
        chosen_->start();
        // A transmission that has ended holds no callsign for the field to correct.
        if (!keyer_.state().isSending)
            heldCallsign_.clear();
        // What a transmission left unsent (the length limit, typing after an abort) goes next,
        // in manual mode only when the operator asked for it meanwhile.
    } while (chosen_->leftUnsentText() && box_.length() > 0 && (!controls_.manualTransmit() || transmitRequested_));
    transmitRequested_ = false;
}

void TransmitControl::abort()
{
    cancelLoop();
    box_.clear();
    keyer_.queueEmptied();
    // The contact asked to be logged was not worked: nothing aborted may be logged later.
    logAfterSending_ = false;
    if (tuneActive_)
        toggleTune();
    chosen_->abort();
    if (abortObserver_)
        abortObserver_();
}

bool TransmitControl::queryClose()
{
    if (!keyer_.state().isSending)
        return true;
    box_.clear();
    const bool closes = chosen_->closeWhileSending(tuneActive_);
    if (!closes)
        tuneActive_ = false;
    return closes;
}

void TransmitControl::toggleTune()
{
    // Tuning opens a transmission of its own; inside a running one it would cut it short.
    if (!chosen_->canTune() || (!tuneActive_ && keyer_.state().isSending))
        return;
    tuneActive_ = !tuneActive_;
    chosen_->tune(tuneActive_);
}

void TransmitControl::callsignFieldChanged(const QString& oldText, const QString& newText)
{
    if (!keyer_.state().isSending) {
        heldCallsign_.clear();
        return;
    }
    if (oldText == newText)
        return;
    // A field retyped letter by letter passes through texts that are no callsign ("", "K"):
    // the callsign the queue holds is remembered until the field holds one again.
    if (!IsCallsignWord(newText)) {
        if (heldCallsign_.isEmpty() && IsCallsignWord(oldText))
            heldCallsign_ = oldText;
        return;
    }
    const QString queued = heldCallsign_.isEmpty() ? oldText : heldCallsign_;
    heldCallsign_.clear();
    if (IsCallsignWord(queued))
        correctCallsignWhileSending(queued, newText);
}

bool TransmitControl::IsCallsignWord(const QString& text)
{
    // A lone letter is a sign of its own ("K" ends an over), never a callsign.
    return text.size() >= 2;
}

void TransmitControl::correctCallsignWhileSending(const QString& oldCallsign, const QString& newCallsign)
{
    // Characters 1 to s are sent or being sent; 0 before the first is taken.
    const QString text = box_.text();
    const qsizetype s = std::clamp<qsizetype>(keyer_.state().sentCharCount, 0, text.size());
    const qsizetype length = oldCallsign.size();
    QString unsent;
    qsizetype copiedTo = s; // 0-based: the text from here on is not yet in `unsent`
    qsizetype replacedTo = 0;
    for (qsizetype at = text.indexOf(oldCallsign); at >= 0 && length > 0; at = text.indexOf(oldCallsign, at + 1)) {
        if (at < replacedTo || at + length <= s || !StandsAlone(text, at, length))
            continue; // inside one replaced already, wholly sent, or part of a longer word
        // A callsign that has begun to go out keeps what has gone and goes on with the new
        // one from the same character.
        const qsizetype sent = std::max<qsizetype>(s - at, 0);
        unsent += text.mid(copiedTo, at + sent - copiedTo);
        unsent += newCallsign.mid(sent);
        copiedTo = at + length;
        replacedTo = copiedTo;
    }
    if (copiedTo == s) {
        box_.moveCaretToEnd();
        return;
    }
    unsent += text.mid(copiedTo);
    box_.setTypingColour(unsentColour());
    box_.replaceRange(s + 1, text.size() - s, unsent);
    box_.moveCaretToEnd();
}

void TransmitControl::cancelLoop()
{
    if (loopInterval_ <= 0)
        return;
    loopFocusLatch_ = false;
    loopInterval_ = 0;
    loopTimerEnabled_ = false;
    controls_.stopLoopTimer();
    box_.setBackground(textBoxBackColor_);
}

void TransmitControl::armPendingLoop()
{
    if (loopInterval_ <= 0)
        return;
    loopTimerEnabled_ = true;
    controls_.startLoopTimer(std::min(loopInterval_, kLongestLoopMs));
    box_.setBackground(loopingBackColor_);
}

void TransmitControl::loopTimerFired()
{
    loopInterval_ = 0;
    loopTimerEnabled_ = false;
    controls_.stopLoopTimer();
    controls_.pressButton(loopButtonIndex_);
}

void TransmitControl::logContactIfRequested()
{
    // Text queued after an abort goes in a transmission of its own: a log asked for with it
    // waits for that one.
    if (!logAfterSending_ || keyer_.leftUnsentText())
        return;
    logAfterSending_ = false;
    controls_.logContact();
}

} // namespace tavrik
