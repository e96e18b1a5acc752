#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace tavrik {

// The one sound format of the sidetone: mono, 16-bit signed, 22050 samples a second.
inline constexpr int kSoundSampleRate = 22050;

// A sound output that loops one table of samples behind a gate. While the gate is open the
// table plays from its first sample, looping; while it is closed the output is silent.
// Used on the window thread only.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // Starts the output with `table`, replacing any table given before; the gate starts
    // closed. False when the output cannot be started; errorText() then says why.
    virtual bool open(std::vector<std::int16_t> table) = 0;
    virtual void gateOn() = 0;
    // Also rewinds, so the next gateOn starts at sample 0.
    virtual void gateOff() = 0;
    virtual void close() = 0;
    virtual QString errorText() const = 0;
};

} // namespace tavrik
