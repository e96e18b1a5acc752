#pragma once

#include "common/colour.h"

#include <QChar>
#include <QString>

// What the send loop touches outside itself. The window, the port drivers, the sidetone and
// the link implement these; tests plug in a simulated clock and recorders.
namespace tavrik {

// The key and PTT lines of the chosen port.
class KeyLines {
public:
    virtual ~KeyLines() = default;
    virtual void keyDown() = 0;
    virtual void keyUp() = 0;
    virtual void pttOn() = 0;
    virtual void pttOff() = 0;
};

// The sidetone. Does nothing audible while the sidetone is switched off.
class ToneSwitch {
public:
    virtual ~ToneSwitch() = default;
    virtual void toneOn() = 0;
    virtual void toneOff() = 0;
};

// The typing box as the transmit queue. Positions are 1-based, as the operator counts.
class TransmitQueue {
public:
    virtual ~TransmitQueue() = default;
    virtual qsizetype length() const = 0;
    virtual QChar charAt(qsizetype position) const = 0;
    virtual void removeCharAt(qsizetype position) = 0;
    virtual void suspendRedraw() = 0;
    // Also repaints what changed while redraw was suspended.
    virtual void resumeRedraw() = 0;
    virtual void colourRange(qsizetype first, qsizetype count, Colour colour) = 0;
    virtual void moveCaretToEnd() = 0;
    // The colour the next typed character takes.
    virtual void setTypingColour(Colour colour) = 0;
    // Drops everything before `position`.
    virtual void keepFrom(qsizetype position) = 0;
    virtual void clear() = 0;
};

// The link with the logging program: polled between characters, told when keying starts
// and stops. Posting never blocks.
class KeyerLink {
public:
    virtual ~KeyerLink() = default;
    virtual void poll() = 0;
    virtual void post(int code, int argument) = 0;
};

// The parts of the main window a transmission changes.
class KeyerWindow {
public:
    virtual ~KeyerWindow() = default;
    virtual void processPendingEvents() = 0;
    virtual void setLinkTimerRunning(bool running) = 0;
    // Menus and the history list that must not be used while sending.
    virtual void setSendingControls(bool sending) = 0;
    virtual void showSpeedText(const QString& text) = 0;
    virtual void showKeyLamp(bool on) = 0;
    virtual void showPttLamp(bool on) = 0;
    // A looping macro waits for the end of the transmission to arm its timer.
    virtual void armPendingLoop() = 0;
    // A macro may have asked to log the contact once the transmission is over.
    virtual void logContactIfRequested() = 0;
};

} // namespace tavrik
