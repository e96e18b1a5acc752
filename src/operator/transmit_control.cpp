#include "operator/transmit_control.h"

#include "keyer/software_keyer.h"
#include "operator/typing_box.h"

#include <algorithm>

namespace tavrik {

TransmitControl::TransmitControl(SoftwareKeyer& keyer, TypingBox& box, TransmitControls& controls)
    : keyer_(keyer), box_(box), controls_(controls)
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
        startSoftwareKeyer();
}

void TransmitControl::transmit()
{
    if (box_.length() > 0)
        startSoftwareKeyer();
}

void TransmitControl::startSoftwareKeyer()
{
    // The WinKey takes the box character by character once its port is open.
    if (controls_.winKeySelected())
        return;
    do {
        keyer_.colourSentText(1);
        keyer_.state().currentChar = QString(box_.charAt(1));
        keyer_.sendLoop();
        // A transmission that stopped at the length limit leaves its unsent rest for the next.
    } while (keyer_.stoppedAtPositionLimit() && box_.length() > 0 && !controls_.manualTransmit());
}

void TransmitControl::abort()
{
    cancelLoop();
    box_.clear();
    if (tuneActive_)
        toggleTune();
    KeyerState& s = keyer_.state();
    keyer_.showKeyingSpeed(s.savedWpm);
    s.dotMs = keyer_.dotMsFromWpm(s.wpm);
    keyer_.leaveSendingState();
}

bool TransmitControl::queryClose()
{
    if (!keyer_.state().isSending)
        return true;
    box_.clear();
    keyer_.state().abort = true;
    keyer_.leaveSendingState();
    return false;
}

void TransmitControl::toggleTune()
{
    tuneActive_ = !tuneActive_;
    if (tuneActive_)
        keyer_.tuneOn();
    else
        keyer_.tuneOff();
}

void TransmitControl::correctCallsignWhileSending(const QString& oldCallsign, const QString& newCallsign)
{
    const qsizetype s = keyer_.state().sentCharCount;
    const QString text = box_.text();
    const qsizetype start = std::min(s, text.size());
    box_.setTypingColour(unsentColour());
    QString unsent = text.mid(start);
    if (!oldCallsign.isEmpty())
        unsent.replace(oldCallsign, newCallsign, Qt::CaseSensitive);
    box_.replaceRange(start, text.size() - start, unsent);

    const qsizetype oldLength = oldCallsign.size();
    if (s == 0 || oldLength == 0) {
        box_.moveCaretToEnd();
        return;
    }
    // The occurrence of the old callsign that ends at or after the character being sent.
    const QString corrected = box_.text();
    const qsizetype searchEnd = s + 1 + oldLength; // 1-based, last character a match may use
    const qsizetype from = std::min(searchEnd - oldLength, corrected.size() - 1);
    const qsizetype q = from < 0 ? -1 : corrected.lastIndexOf(oldCallsign, from) + 1; // 1-based, 0 when none
    if (q <= 0 || q + oldLength <= s + 1) {
        box_.moveCaretToEnd();
        return;
    }
    // Keep what has gone out; the rest of the callsign continues with the new one.
    const qsizetype count = oldLength - (s + 1 - q);
    box_.replaceRange(s, count, newCallsign.mid(s + 1 - q));
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
    if (!logAfterSending_)
        return;
    logAfterSending_ = false;
    controls_.logContact();
}

} // namespace tavrik
