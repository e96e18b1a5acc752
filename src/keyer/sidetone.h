#pragma once

#include "keyer/keyer_ports.h"
#include "platform/sound_output.h"

#include <QString>

#include <memory>

namespace tavrik {

class Clock;

// What the typing box shows when the sidetone's sound device cannot be created.
inline constexpr char kSidetoneUnavailableText[] = "Unable to create DirectX 8 sound.";

// The sidetone: a sine of the chosen pitch on the output named by "Sidetone Output",
// built once per createSidetone and then only gated on and off for every element.
// Tone on and off do nothing while the sidetone is switched off or has no working output.
// The keyer measures the cost of toneOff itself.
class Sidetone final : public ToneSwitch {
public:
    // `outputSetting` is the "Sidetone Output" text; `clock` is the keyer's counter, which
    // places the samples of a recording.
    Sidetone(QString outputSetting, Clock& clock);
    ~Sidetone() override;
    Sidetone(const Sidetone&) = delete;
    Sidetone& operator=(const Sidetone&) = delete;

    // The output chosen at start-up, once the settings are read; takes effect at the next
    // createSidetone.
    void setOutputSetting(const QString& outputSetting);

    bool sidetoneOn() const { return on_; }
    // Switching off also silences a tone that is sounding: once off, no toneOff would.
    void setSidetoneOn(bool on);

    // Builds the tone at `frequency` on a fresh start of the output, replacing the tone
    // before. Does nothing while the sidetone is off or the output is "none" (a choice, so
    // true). False when the sound device could not
    // be created: the sidetone is then switched off (the stored setting is the caller's) and
    // the caller shows kSidetoneUnavailableText; deviceError() says what failed.
    bool createSidetone(double frequency);

    void toneOn() override;
    void toneOff() override;

    // Shut-down: stops the output and finishes a recording.
    void release();

    QString deviceError() const { return deviceError_; }

private:
    QString outputSetting_;
    Clock& clock_;
    std::unique_ptr<SoundOutput> output_;
    bool on_ = false;
    bool playing_ = false; // the output opened and holds the present tone
    QString deviceError_;
    QString reportedError_; // the failure last told on the terminal
};

} // namespace tavrik
