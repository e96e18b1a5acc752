#pragma once

namespace tavrik {

// Whichever keyer takes the typing box: the software keyer, the WinKey or the radio's own
// keyer. The transmit control starts, aborts and tunes through this alone; the station
// chooses which one it is.
class Keyer {
public:
    virtual ~Keyer() = default;
    // Starts on what waits in the box. The software keyer returns once it has sent; the
    // others return at once and send on their own.
    virtual void start() = 0;
    // The keyer's part of Abort: the box is already empty and a tune already ended.
    virtual void abort() = 0;
    // Whether this keyer can hold the key down for tuning.
    virtual bool canTune() const { return true; }
    virtual void tune(bool keyDown) = 0;
    // The window is closing while this keyer sends, and the box has been emptied. True when
    // the close may go through now, the shut-down stopping the keyer; false when a send loop
    // here must unwind first, which this starts (ending the tune under way).
    virtual bool closeWhileSending(bool tuning) = 0;
    // The transmission ended with text still queued that it did not send.
    virtual bool leftUnsentText() const { return false; }
};

} // namespace tavrik
