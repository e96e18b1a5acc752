#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace tavrik {

// What "Send 0 as ..." asks for when a serial number goes out.
enum class ZeroPreference { Digit, LetterO, LetterT };

// Everything a macro reads or does outside its own text. The main window implements it,
// forwarding to the link, the keyers and the settings file; tests use a recorder.
class MacroContext {
public:
    virtual ~MacroContext() = default;

    // --- Link with the logging program ---
    // Refreshes the contact fields and the slot mirrors; may run one inbound command.
    virtual void pollLink() = 0;
    // The shared block is mapped.
    virtual bool linkUp() const = 0;
    // The raw 64-character mirror of a slot as last polled (2 serial number, 8 report sent,
    // 9 report received), not yet cut at its NUL; empty before the first poll.
    virtual QString slotMirror(int slot) const = 0;
    // Values of slots 3 and 4 after the latest poll, already cut.
    virtual QString myCallsign() const = 0;
    virtual QString bandText() const = 0;
    // The pattern of the latest "Format " command; empty until one arrives.
    virtual QString serialFormat() const = 0;
    // Writes the text as one slot and posts the slot-written notice (200 with 0) itself.
    virtual void writeSlot(int slot, const QString& text) = 0;
    virtual void postNotice(int code, int argument) = 0;
    // Adds the callsign to the history and posts the log notice.
    virtual void logContact() = 0;

    // --- Main window ---
    virtual QString nameText() const = 0;
    virtual QString callsignText() const = 0;
    virtual void setLogAfterSending() = 0;
    // Pause before a looping macro repeats, in ms; 0 means no loop.
    virtual std::int32_t loopInterval() const = 0;
    virtual void setLoopInterval(std::int32_t ms) = 0;
    virtual bool isSending() const = 0;
    virtual void clearTypingBoxAndCallsign() = 0;
    virtual ZeroPreference zeroPreference() const = 0;

    // --- Keyers ---
    virtual bool winKeySelected() const = 0;
    // wpm of the keyer in use.
    virtual std::int16_t keyingSpeed() const = 0;
    // Shows the speed (which makes it wpm) and derives the dot length from it.
    virtual void setKeyingSpeed(std::int16_t wpm) = 0;
    // savedWpm = wpm, so a change outlasts the running transmission.
    virtual void setSavedSpeedToCurrent() = 0;
    // Puts the key and PTT lines of the parallel port to idle.
    virtual void resetParallelLines() = 0;
    virtual std::int16_t winKeySpeed() const = 0;
    virtual void setWinKeySpeed(std::int16_t wpm) = 0;
    // "WinKey Analog Speed": the speed pot rules and no speed commands are sent.
    virtual bool winKeyAnalogSpeed() const = 0;
    virtual void winKeySend(const QByteArray& bytes) = 0;

    // --- Settings file ---
    virtual void writeSetting(const QString& section, const QString& key, const QString& value) = 0;
};

} // namespace tavrik
