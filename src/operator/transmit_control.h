#pragma once

#include "common/colour.h"

#include <QString>

#include <functional>

namespace tavrik {

class Keyer;
class SoftwareKeyer;
class TypingBox;

// Window controls that starting, stopping and looping a transmission change.
class TransmitControls {
public:
    virtual ~TransmitControls() = default;
    virtual bool manualTransmit() const = 0; // "Manual TX (MOX)" checked
    virtual void setTransmitEnabled(bool enabled) = 0;
    virtual void startLoopTimer(int intervalMs) = 0;
    virtual void stopLoopTimer() = 0;
    // What the loop timer does when it fires: press the same button again.
    virtual void pressButton(int index) = 0;
    virtual void logContact() = 0;
    // False, with the cause shown, when the keying port is gone: nothing may go as sent.
    virtual bool keyingLinesReady() = 0;
};

// The typing box as the transmit queue: appending, starting a transmission (automatic or
// manual), abort, closing while sending, looping macros and the callsign correction.
class TransmitControl {
public:
    // The timer accepts no longer interval.
    static constexpr int kLongestLoopMs = 65535;

    // The software keyer keys until another is chosen; its state is the transmission's.
    TransmitControl(SoftwareKeyer& keyer, TypingBox& box, TransmitControls& controls);

    // The keyer that takes the box from now on.
    void setKeyer(Keyer& keyer) { chosen_ = &keyer; }
    Keyer& keyer() { return *chosen_; }
    void setMacroExpander(std::function<QString(const QString&)> expand) { expand_ = std::move(expand); }
    void setFormReady(bool ready) { formReady_ = ready; }
    bool formReady() const { return formReady_; }
    void setColours(Colour textBoxBackColor, Colour loopingBackColor);
    Colour textBoxBackColor() const { return textBoxBackColor_; }
    // The colour of typed text that has not been sent yet.
    Colour unsentColour() const;

    void appendToTypingBox(const QString& text);
    // Text from a peer, as it stands: no macro expansion, nothing put between it and what
    // the box holds already.
    void appendQueuedText(const QString& text);
    // Told of every abort, after the box has been emptied.
    void setAbortObserver(std::function<void()> observer) { abortObserver_ = std::move(observer); }
    // The box's Change: starts a transmission, or in manual mode arms the transmit command.
    void typingBoxChanged();
    void transmit();
    void abort();
    // Closing while sending only aborts; returns whether the window may close.
    bool queryClose();
    void toggleTune();
    bool tuneActive() const { return tuneActive_; }
    // Every change of the callsign field. While sending, the callsign in the unsent text
    // follows the field: whole callsigns only, never a letter or a fragment of a longer word.
    void callsignFieldChanged(const QString& oldText, const QString& newText);

    // Looping macros.
    void cancelLoop();
    void setLoopInterval(int ms) { loopInterval_ = ms; }
    int loopInterval() const { return loopInterval_; }
    void armPendingLoop();
    void loopTimerFired();
    bool loopTimerEnabled() const { return loopTimerEnabled_; }
    void setLoopButtonIndex(int index) { loopButtonIndex_ = index; }
    bool loopFocusLatch() const { return loopFocusLatch_; }
    void setLoopFocusLatch(bool latch) { loopFocusLatch_ = latch; }

    void setLogAfterSending() { logAfterSending_ = true; }
    void logContactIfRequested();

private:
    void startKeyer();
    void correctCallsignWhileSending(const QString& oldCallsign, const QString& newCallsign);
    static bool IsCallsignWord(const QString& text);

    SoftwareKeyer& keyer_;
    TypingBox& box_;
    TransmitControls& controls_;
    Keyer* chosen_;
    std::function<QString(const QString&)> expand_;
    std::function<void()> abortObserver_;
    bool formReady_ = false;
    bool tuneActive_ = false;
    bool logAfterSending_ = false;
    // TX was chosen while a transmission was still ending.
    bool transmitRequested_ = false;
    // The callsign the queued text carries while the field is being retyped.
    QString heldCallsign_;
    Colour textBoxBackColor_ = 14941692;
    Colour loopingBackColor_ = 255;
    int loopInterval_ = 0;
    int loopButtonIndex_ = 0;
    bool loopFocusLatch_ = false;
    // Enabled from the start with no interval, so the first presses refocus the last box.
    bool loopTimerEnabled_ = true;
};

} // namespace tavrik
