#pragma once

#include "platform/gated_loop.h"
#include "platform/sound_output.h"

#include <memory>

namespace tavrik {

// The sound card's default output through PortAudio. The stream runs from open() to
// close(); a tone on or off only flips the gate, so switching costs no stream start-up.
class PortAudioOutput final : public SoundOutput {
public:
    PortAudioOutput() = default;
    ~PortAudioOutput() override;
    PortAudioOutput(const PortAudioOutput&) = delete;
    PortAudioOutput& operator=(const PortAudioOutput&) = delete;

    bool open(std::vector<std::int16_t> table) override;
    void gateOn() override;
    void gateOff() override;
    void close() override;
    QString errorText() const override { return error_; }

private:
    bool fail(const QString& what, int paError);

    void* stream_ = nullptr; // PaStream, kept out of this header
    std::unique_ptr<GatedLoop> loop_;
    QString error_;
};

} // namespace tavrik
