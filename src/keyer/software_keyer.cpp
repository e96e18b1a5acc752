#include "keyer/software_keyer.h"

#include "common/link_codes.h"
#include "common/queue_markers.h"
#include "common/vb_numbers.h"
#include "keyer/box_marks.h"
#include "keyer/morse.h"
#include "platform/clock.h"
#include "platform/priority.h"

#include <algorithm>
#include <utility>

namespace tavrik {
namespace {

// Three digits on the speed display.
constexpr SpeedRange kSpeeds{1, 999};
constexpr double kSpinThresholdMs = 20;
// How much of the longest window work seen is remembered from one wait to the next.
constexpr double kWindowWorkMemory = 0.9;

} // namespace

SoftwareKeyer::SoftwareKeyer(Parts parts) : parts_(parts) {}

double SoftwareKeyer::elapsedMs(std::int64_t from, std::int64_t to) const
{
    return ElapsedMs(from, to, parts_.clock.frequency());
}

void SoftwareKeyer::setOperatorSpeed(std::int16_t wpm)
{
    state_.wpm = wpm;
    state_.savedWpm = wpm;
    state_.dotMs = dotMsFromWpm(wpm);
    showKeyingSpeed(wpm);
}

void SoftwareKeyer::showKeyingSpeed(std::int16_t wpm)
{
    parts_.window.showSpeedText(QStringLiteral(" Keying speed = ") + FormatNumber(wpm, QStringLiteral("##0")).value_or(QString())
                                + QStringLiteral(" WPM"));
    state_.wpm = wpm;
}

void SoftwareKeyer::waitMs(double ms)
{
    // A local start: events processed below may run handlers that take their own readings.
    const std::int64_t start = parts_.clock.counter();
    // The window's work (its events, repaints, the colouring of the box drawn, the display
    // server's drawing of it) is done at the start, and only when even the longest such work
    // seen lately ends before the last stretch: work that reached the edge would move it.
    if (ms > kSpinThresholdMs + windowWorkMs_) {
        parts_.window.processPendingEvents();
        const double took = elapsedMs(start, parts_.clock.counter());
        // A long burst (a dialog's first paint, say) keeps short waits free of events for a
        // while, then is forgotten.
        windowWorkMs_ = std::max(took, windowWorkMs_ * kWindowWorkMemory);
    }
    if (ms <= 0)
        return;
    while (!state_.abort) {
        const double remaining = ms - elapsedMs(start, parts_.clock.counter());
        if (remaining <= 0)
            return;
        // The last stretch spins on the counter: a yield could overshoot the edge.
        if (remaining > kSpinThresholdMs)
            parts_.clock.yieldThread();
    }
}

template <typename Action>
FixedMs SoftwareKeyer::measured(Action action)
{
    const std::int64_t start = parts_.clock.counter();
    action();
    return FixedMs::fromMs(elapsedMs(start, parts_.clock.counter()));
}

void SoftwareKeyer::keyDown()
{
    state_.keyDownMs = measured([this] {
        parts_.lines.keyDown();
        parts_.window.showKeyLamp(true);
    });
}

void SoftwareKeyer::keyUp()
{
    state_.keyUpMs = measured([this] {
        parts_.lines.keyUp();
        parts_.window.showKeyLamp(false);
    });
}

void SoftwareKeyer::toneOn()
{
    state_.toneOnMs = measured([this] { parts_.tone.toneOn(); });
}

void SoftwareKeyer::toneOff()
{
    state_.toneOffMs = measured([this] { parts_.tone.toneOff(); });
    switchingOwed_ = true;
}

FixedMs SoftwareKeyer::takeSilenceSwitchingMs()
{
    // The silence right after a mark pays for the switches around it; a word space and the
    // letter gap that follow it must not pay again.
    if (!switchingOwed_)
        return FixedMs();
    switchingOwed_ = false;
    return state_.keyUpMs + state_.toneOffMs + state_.toneOnMs;
}

void SoftwareKeyer::sendElements(const QString& elements)
{
    const int n = static_cast<int>(elements.size());
    const KeyerOptions& o = options_;
    for (int index = 1; index <= n && !state_.abort; ++index) {
        const QChar element = elements.at(index - 1);
        if (element == u'.' || element == u'-') {
            toneOn();
            keyDown();
            const FixedMs markMs = FixedMs::fromMs(element == u'.' ? state_.dotMs : state_.dotMs * o.ratios.dashLength);
            waitMs((markMs - state_.keyDownMs).toMs());
            keyUp();
            toneOff();
        } else if (element == u'_') {
            const FixedMs gapMs = FixedMs::fromMs((o.ratios.wordSpace - o.ratios.letterSpace - o.ratios.letterSpace) * state_.dotMs)
                                  - takeSilenceSwitchingMs();
            if (gapMs > FixedMs())
                waitMs(gapMs.toMs());
        }
        // After the last element the letter gap follows instead, and pays for the switches.
        if (index < n) {
            const FixedMs gapMs = FixedMs::fromMs(state_.dotMs) - takeSilenceSwitchingMs();
            if (gapMs > FixedMs())
                waitMs(gapMs.toMs());
        }
    }
}

void SoftwareKeyer::sendLoop()
{
    if (state_.currentChar.isEmpty())
        return;
    state_.abort = false;
    startKeying();
    if (options_.pttDelayMs > 0)
        waitMs(options_.pttDelayMs);
    if (state_.abort) {
        stopKeying();
        return;
    }
    // Taken again now, after the lead-in: markers at the start are consumed as anywhere else,
    // and an abort during the lead-in leaves nothing to key.
    int position = 1;
    takeFirstChar(position);
    QString elements = MorseForChar(state_.currentChar, options_.userLangId);
    do {
        const bool stretched = std::exchange(stretchNext_, false);
        sendElements(elements);
        const std::int64_t charEnd = parts_.clock.counter();
        state_.currentChar.clear();
        if (unsentFrom_ == 0)
            nextChar(position);
        if (state_.currentChar.isEmpty()) {
            // Text left for the next transmission must not run into the last character.
            if (options_.slowTyping || leftUnsentText())
                parts_.clock.sleepMs(RoundHalfEven(state_.dotMs * options_.ratios.letterSpace));
            stopKeying();
            return;
        }
        parts_.link.poll();
        elements = MorseForChar(state_.currentChar, options_.userLangId);
        const FixedMs letterGapMs = FixedMs::fromMs(state_.dotMs * options_.ratios.letterSpace);
        const FixedMs stretchMs = FixedMs::fromMs(stretched ? state_.dotMs * options_.ratios.letterSpace / 2 : 0);
        const FixedMs elapsed = FixedMs::fromMs(elapsedMs(charEnd, parts_.clock.counter())) - stretchMs;
        if (state_.joinNext) {
            const FixedMs gapMs = FixedMs::fromMs(state_.dotMs) - elapsed - takeSilenceSwitchingMs();
            if (gapMs > FixedMs())
                waitMs(gapMs.toMs());
            state_.joinNext = false;
        } else {
            const FixedMs gapMs = letterGapMs - elapsed - takeSilenceSwitchingMs();
            if (gapMs > FixedMs())
                waitMs(gapMs.toMs());
        }
        ++position;
    } while (!state_.abort);
    stopKeying();
}

void SoftwareKeyer::takeFirstChar(int& position)
{
    state_.currentChar.clear();
    if (unsentFrom_ == 0)
        nextChar(position);
    // A "^" at the start has no letter before it to join to.
    state_.joinNext = false;
    // Nothing but markers so far: what is typed next lands at the first position.
    if (!state_.currentChar.isEmpty())
        ++position;
}

void SoftwareKeyer::consumeSpeedMarkers(int position, QChar marker)
{
    TransmitQueue& box = parts_.box;
    box.suspendRedraw();
    while (position <= box.length() && box.charAt(position) == marker) {
        state_.wpm = SpeedAfterMarker(marker, state_.wpm, kSpeeds);
        state_.dotMs = dotMsFromWpm(state_.wpm);
        box.removeCharAt(position);
        showKeyingSpeed(state_.wpm);
    }
    box.resumeRedraw();
}

void SoftwareKeyer::nextChar(int& position)
{
    state_.lastNextCharPos = position;
    state_.sentCharCount = position;
    TransmitQueue& box = parts_.box;
    if (position > kMaxPosition) {
        unsentFrom_ = kMaxPosition + 1;
        return;
    }
    if (position > box.length())
        return;
    // Marks in a row all act before the character they stand in front of.
    while (position <= box.length()) {
        const QChar c = box.charAt(position);
        if (IsSpeedMarker(c)) {
            consumeSpeedMarkers(position, c);
        } else if (c == QChar(kJoinMarker)) {
            removeMark(position, 1);
            state_.joinNext = true;
        } else if (c == QChar(kHalfSpaceMark)) {
            removeMark(position, 1);
            stretchNext_ = true;
        } else if (const std::optional<SpeedMark> mark = SpeedMarkAt(box, position)) {
            removeMark(position, mark->length);
            setOperatorSpeed(mark->wpm);
        } else {
            break;
        }
    }
    state_.currentChar = position <= box.length() ? QString(box.charAt(position)) : QString();
    colourSentText(position);
}

void SoftwareKeyer::removeMark(int position, int length)
{
    TransmitQueue& box = parts_.box;
    box.suspendRedraw();
    for (int i = 0; i < length; ++i)
        box.removeCharAt(position);
    box.resumeRedraw();
}

void SoftwareKeyer::queueEmptied()
{
    if (state_.isSending)
        unsentFrom_ = 1;
}

void SoftwareKeyer::colourSentText(int position)
{
    TransmitQueue& box = parts_.box;
    box.suspendRedraw();
    if (position < 2) {
        box.colourRange(1, 1, options_.transmittingTextColor);
        box.moveCaretToEnd();
        box.setTypingColour(options_.textBoxForeColor);
    } else {
        box.colourRange(1, position - 1, options_.transmittedTextColor);
        box.colourRange(position, 1, options_.transmittingTextColor);
        box.moveCaretToEnd();
    }
    box.resumeRedraw();
}

void SoftwareKeyer::startKeying()
{
    raiseTimingPriority();
    parts_.window.setLinkTimerRunning(false);
    // Also during a speed test: the operator's speed comes back when it ends, whatever
    // speed was applied since the last transmission.
    state_.savedWpm = state_.wpm;
    if (calibration_.calibrating) {
        calibration_.startCount = parts_.clock.counter();
        showKeyingSpeed(calibration_.wpm);
    }
    unsentFrom_ = 0;
    state_.sentCharCount = 0;
    // A "^" that ended the last transmission joined nothing; it must not join this one's letters.
    state_.joinNext = false;
    stretchNext_ = false;
    switchingOwed_ = false;
    state_.isSending = true;
    enterSendingState();
    parts_.link.post(LinkCode::kKeying, 1);
    if (options_.disablePolling)
        parts_.link.post(LinkCode::kRadioPolling, 1);
    if (options_.pttSwitched()) {
        parts_.lines.pttOn();
        parts_.window.showPttLamp(true);
    }
}

void SoftwareKeyer::stopKeying()
{
    restorePriority();
    parts_.window.setLinkTimerRunning(true);
    state_.isSending = false;
    TransmitQueue& box = parts_.box;
    if (unsentFrom_ > 0) {
        box.keepFrom(unsentFrom_);
    } else if (state_.lastNextCharPos >= 1 && state_.lastNextCharPos == box.length()) {
        box.keepFrom(state_.lastNextCharPos);
    } else {
        box.clear();
    }
    leaveSendingState();
    if (calibration_.calibrating) {
        calibration_.endCount = parts_.clock.counter();
        state_.wpm = calibration_.savedWpm;
        state_.dotMs = dotMsFromWpm(state_.wpm);
        showKeyingSpeed(state_.wpm);
        calibration_.calibrating = false;
        if (calibrationFinished_)
            calibrationFinished_();
    }
    parts_.window.armPendingLoop();
    state_.wpm = state_.savedWpm;
    state_.dotMs = dotMsFromWpm(state_.wpm);
    showKeyingSpeed(state_.wpm);
    parts_.link.post(LinkCode::kKeying, 0);
    if (options_.disablePolling)
        parts_.link.post(LinkCode::kRadioPolling, 0);
    if (options_.pttSwitched()) {
        parts_.lines.pttOff();
        parts_.window.showPttLamp(false);
    }
    parts_.window.logContactIfRequested();
}

void SoftwareKeyer::enterSendingState()
{
    parts_.window.setSendingControls(true);
}

void SoftwareKeyer::leaveSendingState()
{
    parts_.window.setSendingControls(false);
}

void SoftwareKeyer::raiseTimingPriority()
{
    parts_.priority.raise();
}

void SoftwareKeyer::restorePriority()
{
    parts_.priority.restore();
}

void SoftwareKeyer::tuneOn()
{
    // The radio must be on transmit before the carrier comes up: switching its relay with
    // the key down can burn an amplifier's contacts.
    state_.abort = false;
    startKeying();
    if (options_.pttDelayMs > 0)
        waitMs(options_.pttDelayMs);
    // Tune may have been switched off, or the window closed, during the lead-in.
    if (!state_.isSending || state_.abort)
        return;
    keyDown();
    toneOn();
    tuneKeyDown_ = true;
}

void SoftwareKeyer::start()
{
    colourSentText(1);
    state_.currentChar = QString(parts_.box.charAt(1));
    sendLoop();
}

void SoftwareKeyer::abort()
{
    showKeyingSpeed(state_.savedWpm);
    state_.dotMs = dotMsFromWpm(state_.wpm);
    leaveSendingState();
}

void SoftwareKeyer::tune(bool keyDown)
{
    if (keyDown)
        tuneOn();
    else
        tuneOff();
}

std::int16_t SoftwareKeyer::SteppedOperatorSpeed(std::int16_t wpm, bool lower)
{
    if (lower && wpm >= 11)
        return static_cast<std::int16_t>(wpm - 1);
    if (!lower && wpm < 50)
        return static_cast<std::int16_t>(wpm + 1);
    return wpm;
}

void SoftwareKeyer::stepSpeed(bool lower)
{
    const std::int16_t stepped = SteppedOperatorSpeed(state_.wpm, lower);
    if (stepped != state_.wpm) {
        showKeyingSpeed(stepped);
        state_.dotMs = dotMsFromWpm(stepped);
        state_.savedWpm = stepped;
    }
    if (speedStepped_)
        speedStepped_(state_.wpm);
}

bool SoftwareKeyer::closeWhileSending(bool tuning)
{
    // Tuning has no send loop to end: without this the key would stay down and no close
    // would ever get through.
    if (tuning)
        tuneOff();
    state_.abort = true;
    leaveSendingState();
    return false;
}

void SoftwareKeyer::tuneOff()
{
    // The carrier goes before the radio changes back to receive. A tune ended in its lead-in
    // never keyed, and the lines flip: a key-up then would key the transmitter.
    if (tuneKeyDown_) {
        keyUp();
        toneOff();
        tuneKeyDown_ = false;
    }
    stopKeying();
}

} // namespace tavrik
