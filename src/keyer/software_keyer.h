#pragma once

#include "common/colour.h"
#include "common/fixed_ms.h"
#include "keyer/calibration.h"
#include "keyer/element_timing.h"
#include "keyer/keyer.h"
#include "keyer/keyer_ports.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace tavrik {

class Clock;
class TimingPriority;

// The keyer settings the send loop reads.
struct KeyerOptions {
    TimingRatios ratios;
    std::int32_t pttDelayMs = 100;
    bool slowTyping = true;
    bool disablePolling = false;
    bool pttEnabled = false;
    // PTT goes through the radio's own control ("Rig Control" "PTT"): it is switched then
    // whatever pttEnabled says, for a radio whose CAT port is its only connection.
    bool pttThroughRadio = false;
    bool pttSwitched() const { return pttEnabled || pttThroughRadio; }
    Colour transmittedTextColor = 0;
    Colour transmittingTextColor = 255;
    Colour textBoxForeColor = 16711680;
    std::uint16_t userLangId = 0x0409;
};

// One instance per run; the window reads and sets parts of it (the send starters set
// currentChar, abort and closing set abort).
struct KeyerState {
    QString currentChar;
    bool abort = false;
    bool joinNext = false;
    bool isSending = false;
    std::int16_t wpm = 20;
    std::int16_t savedWpm = 20;
    std::int32_t dotMs = 60;
    int sentCharCount = 0;
    int lastNextCharPos = 0;
    FixedMs toneOffMs;
    // What the latest key and tone-on switches took, measured like toneOffMs.
    FixedMs keyDownMs;
    FixedMs keyUpMs;
    FixedMs toneOnMs;
};

// The software keyer: turns the typing box into timed key, PTT and tone edges.
// Runs on the window thread; long waits let the window process its events, so whatever
// the operator does meanwhile reaches the box and is sent by the running loop.
class SoftwareKeyer final : public Keyer {
public:
    // Positions are 16-bit in the stored model of the box; a transmission ends there.
    static constexpr int kMaxPosition = 32767;

    struct Parts {
        Clock& clock;
        TimingPriority& priority;
        KeyLines& lines;
        ToneSwitch& tone;
        TransmitQueue& box;
        KeyerLink& link;
        KeyerWindow& window;
    };

    explicit SoftwareKeyer(Parts parts);

    KeyerState& state() { return state_; }
    const KeyerState& state() const { return state_; }
    KeyerOptions& options() { return options_; }
    const KeyerOptions& options() const { return options_; }
    Calibration& calibration() { return calibration_; }
    // Runs when a speed test's transmission has closed, to show its report.
    void setCalibrationFinished(std::function<void()> finished) { calibrationFinished_ = std::move(finished); }

    // The operator's speed: sets wpm, savedWpm and the dot length, and shows it.
    void setOperatorSpeed(std::int16_t wpm);
    std::int32_t dotMsFromWpm(std::int16_t wpm) const { return DotMsFromWpm(wpm, options_.ratios); }
    void showKeyingSpeed(std::int16_t wpm);

    // Keyer: one transmission of what the box holds, from its first character.
    void start() override;
    // Puts back the operator's speed and leaves the sending state.
    void abort() override;
    void tune(bool keyDown) override;
    void stepSpeed(bool lower) override;
    bool closeWhileSending(bool tuning) override;
    // Where a stepped speed is stored.
    void setSpeedStepped(std::function<void(std::int16_t)> stored) { speedStepped_ = std::move(stored); }
    // The operator's speed one click on: 10 to 50 WPM, as the setup's slider.
    static std::int16_t SteppedOperatorSpeed(std::int16_t wpm, bool lower);

    void sendLoop();
    void nextChar(int& position);
    void colourSentText(int position);
    void startKeying();
    void stopKeying();
    void sendElements(const QString& elements);
    void waitMs(double ms);
    void enterSendingState();
    void leaveSendingState();
    void raiseTimingPriority();
    void restorePriority();
    void tuneOn();
    void tuneOff();

    // The operator emptied the box while a transmission runs (abort). The character already
    // handed over is finished; then the transmission ends, and what is typed from now on is
    // kept for the next one rather than picked up at the old position.
    void queueEmptied();

    // The last transmission ended with text still queued that it did not send: it reached
    // kMaxPosition, or the box was emptied and typed into again while it ran.
    bool leftUnsentText() const override { return unsentFrom_ > 0; }

    // Each switch measures its own duration. A line changes somewhere inside its call (at
    // the far end of a request to the logging program), at about the same point each time:
    // a mark deducts the key-down that opened it, and a silence deducts the key-up and
    // tone-off that opened it and the tone-on (the latest measured) that will close it. So
    // every mark and gap is exact at the moment the line changes.
    void keyDown();
    void keyUp();
    void toneOn();
    void toneOff();

private:
    double elapsedMs(std::int64_t from, std::int64_t to) const;
    // Runs `action` and measures its duration, setting startCount and nowCount as ToneOff does.
    template <typename Action>
    FixedMs measured(Action action);
    void consumeSpeedMarkers(int position, QChar marker);
    void removeMark(int position, int length);
    // The first character of a transmission, after the markers in front of it; moves
    // `position` on past it when there is one.
    void takeFirstChar(int& position);
    // What the first silence after a mark deducts for the switches around it; nothing for
    // any later silence.
    FixedMs takeSilenceSwitchingMs();

    Parts parts_;
    KeyerOptions options_;
    KeyerState state_;
    Calibration calibration_;
    std::function<void()> calibrationFinished_;
    std::function<void(std::int16_t)> speedStepped_;
    // 1-based position from which the box is kept when the transmission ends; 0 for none.
    int unsentFrom_ = 0;
    // A mark has ended and no silence has deducted its switches yet.
    bool switchingOwed_ = false;
    // The character taken next is followed by half a letter space more.
    bool stretchNext_ = false;
    bool tuneKeyDown_ = false;
    // The longest the window's pending events took lately, in milliseconds.
    double windowWorkMs_ = 0;
};

} // namespace tavrik
