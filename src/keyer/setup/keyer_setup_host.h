#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace tavrik {

class SoftwareKeyer;
struct KeyerPortSettings;

// What the Keyer setup dialog changes in the running program. The main window implements
// it; the dialog's logic knows nothing else of it.
class KeyerSetupHost {
public:
    virtual ~KeyerSetupHost() = default;

    // Speed, dot length, timing options, tone switching and the speed test.
    virtual SoftwareKeyer& keyer() = 0;
    virtual KeyerPortSettings& portSettings() = 0;

    virtual bool sidetoneOn() const = 0;
    virtual void setSidetoneOn(bool on) = 0;
    virtual double sidetoneFrequency() const = 0;
    // Takes effect when the tone is next built.
    virtual void setSidetoneFrequency(double hz) = 0;

    // The device behind "Comm<n>" (section "Devices"), and a new one for this run.
    virtual QString serialDevice(int portNumber) const = 0;
    virtual void setSerialDevice(int portNumber, const QString& path) = 0;

    virtual void writeSetting(const QString& section, const QString& key, const QString& value) = 0;

    // Sets the keying port up again. A failure is shown in the typing box; returns the error
    // when it is left pending for the operator to deal with before the dialog closes.
    virtual std::optional<QString> initKeyerPort() = 0;
    // Builds the tone at the present pitch. False when the sound device could not be created:
    // the typing box says so and the sidetone is off.
    virtual bool createSidetone() = 0;

    // The counter the keyer times on, counts a second.
    virtual std::int64_t counterFrequency() const = 0;
    // A modal message about the dialog's own input.
    virtual void showSetupMessage(const QString& title, const QString& text) = 0;

    // A transmission is open.
    virtual bool transmitting() const = 0;
    // Replaces the typing box with `text`, in the colour of unsent text, as if typed.
    virtual void queueTypedText(const QString& text) = 0;
};

} // namespace tavrik
