#pragma once

#include "platform/sound_output.h"

#include <QString>

#include <memory>

namespace tavrik {

class Clock;

// What the "Sidetone Output" setting of section "Devices" names.
struct SoundOutputChoice {
    enum class Kind {
        DefaultDevice, // empty or "default": the sound card's default output
        Jack,          // "jack": a running JACK server, through its default output
        None,          // "none": no sound device
        WavFile,       // "wav:" followed by a path: a recording
        Unknown,       // anything else
    };
    Kind kind = Kind::DefaultDevice;
    QString path; // WavFile only
};

// Keywords are matched without regard to case or surrounding blanks; the path is kept as
// written. "wav:" with no path is Unknown.
SoundOutputChoice ParseSoundOutputChoice(const QString& setting);

// The output the setting names, not yet opened; `clock` places a recording's samples.
// Null when the setting names no device ("none" or an unknown text); `reason` then says why.
std::unique_ptr<SoundOutput> MakeSoundOutput(const QString& setting, Clock& clock, QString& reason);

} // namespace tavrik
