#include "operator/transmit_control.h"

#include "keyer/software_keyer.h"
#include "operator/typing_box.h"
#include "winkey/winkey_hand_over.h"

#include <algorithm>

namespace tavrik {

TransmitControl::TransmitControl(SoftwareKeyer& keyer, TypingBox& box, TransmitControls& controls,
                                 WinKeyHandOver* winKey)
    : keyer_(keyer), box_(box), controls_(controls), winKey_(winKey)
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
    if (controls_.winKeySelected()) {
        if (winKey_)
            winKey_->start();
        return;
    }
    do {
        keyer_.colourSentText(1);
        keyer_.state().currentChar = QString(box_.charAt(1));
        keyer_.sendLoop();
        // What a transmission left unsent (the length limit, typing after an abort) goes next.
    } while (keyer_.leftUnsentText() && box_.length() > 0 && !controls_.manualTransmit());
}

void TransmitControl::abort()
{
    cancelLoop();
    box_.clear();
    keyer_.queueEmptied();
    if (tuneActive_)
        toggleTune();
    if (controls_.winKeySelected() && winKey_) {
        winKey_->abort();
        keyer_.leaveSendingState();
        return;
    }
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
    // Tuning has no send loop to end: without this the key would stay down and no close
    // would ever get through.
    if (tuneActive_)
        toggleTune();
    keyer_.state().abort = true;
    keyer_.leaveSendingState();
    if (controls_.winKeySelected() && winKey_)
        winKey_->stopForClose();
    return false;
}

void TransmitControl::toggleTune()
{
    // Tuning opens a transmission of its own; inside a running one it would cut it short.
    if (!tuneActive_ && keyer_.state().isSending)
        return;
    tuneActive_ = !tuneActive_;
    if (controls_.winKeySelected() && winKey_)
        winKey_->tune(tuneActive_);
    else if (tuneActive_)
        keyer_.tuneOn();
    else
        keyer_.tuneOff();
}

void TransmitControl::correctCallsignWhileSending(const QString& oldCallsign, const QString& newCallsign)
{
    // The first character is handed over when the transmission opens, before the counter of
    // sent characters moves: rewriting it would change the box but not what goes out.
    const qsizetype s = std::max(keyer_.state().sentCharCount, 1);
    const QString text = box_.text();
    const qsizetype start = std::min(s, text.size());
    box_.setTypingColour(unsentColour());
    QString unsent = text.mid(start);
    if (!oldCallsign.isEmpty())
        unsent.replace(oldCallsign, newCallsign, Qt::CaseSensitive);
    box_.replaceRange(start, text.size() - start, unsent);

    const qsizetype oldLength = oldCallsign.size();
    if (oldLength == 0) {
        box_.moveCaretToEnd();
        return;
    }
    // Only an occurrence that has begun to go out (it starts at or before character s) is
    // finished with the new callsign; later ones were replaced above, and may contain the
    // old callsign themselves.
    const QString corrected = box_.text();
    const qsizetype q = corrected.lastIndexOf(oldCallsign, std::min(s, corrected.size()) - 1) + 1; // 1-based, 0 when none
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
