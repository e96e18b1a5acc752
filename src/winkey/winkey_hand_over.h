#pragma once

#include "keyer/keyer.h"

#include <QTimer>

#include <cstdint>

namespace tavrik {

class SoftwareKeyer;
class TransmitQueue;
class WinKeyConnection;
class WinKeyWindow;

// Feeds the typing box to the WinKey one character at a time: the next only after the
// keyer's echo of the last, so abort, speed changes and break-in act within one character.
// Shares the keyer state (speed, saved speed, sending) with the software keyer.
class WinKeyHandOver final : public Keyer {
public:
    // An echo may take this much longer than the slowest character before the keyer counts
    // as gone.
    static constexpr int kEchoSlackMs = 2000;

    WinKeyHandOver(WinKeyConnection& connection, SoftwareKeyer& keyer, TransmitQueue& box, WinKeyWindow& window);

    // A send starter: the box's change while idle, or the transmit command.
    void start() override;
    // WinKeyCharDone: the keyer has sent this character; only the one handed over counts.
    void charDone(std::uint8_t echo);
    // The WinKey part of the window's abort, after the box is emptied: the keyer's buffer
    // and the character it is keying go too, and the transmission ends.
    void abort() override;
    // The end of the run: the key released, polling given back, the keyer in standalone use.
    void shutDown();
    // Holds the key down (a transmission of its own, shown on the lamps) or lets it go.
    void tune(bool keyDown) override;
    // The keyer keys on its own, with no send loop here to unwind: the close goes through,
    // and the shut-down stops the keyer.
    bool closeWhileSending(bool) override { return true; }
    void stepSpeed(bool lower) override;
    // Shows the speed (it becomes wpm) and derives the dot length.
    void showSpeed(std::int16_t wpm);
    void setBreakIn(bool active);
    // The device went away: the transmission ends at once.
    void lineLost();
    // The device is back: what waits in the box goes out.
    void reconnected();

    int charIndex() const { return charIndex_; }
    int echoBoundMs() const;

private:
    void nextChar(int position);
    void consumeSpeedMarkers(int position, char16_t marker);
    // Acts on the speed or spacing mark at `position` and takes it out; false when none is there.
    bool takeMark(int position);
    // False for a character the keyer does not take; a "|" is written here, once a run.
    bool sendable(char16_t code);
    // The merge command for "A^R": both letters as one sign. 0 when the position holds none.
    std::uint8_t mergedWith(int position) const;
    void handedOver(std::uint8_t echo, int span);
    void finish();
    void stopKeyer();
    void echoOverdue();
    void writeLost();

    WinKeyConnection& connection_;
    SoftwareKeyer& keyer_;
    TransmitQueue& box_;
    WinKeyWindow& window_;
    int charIndex_ = 1;
    char16_t lastWinKeyChar_ = 0;
    bool awaitingEcho_ = false;
    // The echo that ends the hand-over, and how many box positions it covers.
    std::uint8_t expectedEcho_ = 0;
    int handedSpan_ = 1;
    bool breakIn_ = false;
    bool tuneDown_ = false;
    QTimer echoTimer_;
};

} // namespace tavrik
