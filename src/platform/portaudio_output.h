#pragma once

#include "platform/placed_tone_loop.h"
#include "platform/sound_output.h"

#include <atomic>
#include <memory>
#include <optional>

namespace tavrik {

class Clock;

// The sound card's default output, or a JACK server's, through PortAudio. The stream runs from open() to
// close(); a tone on or off stamps the counter and hands the edge to the callback, which
// sounds it at its own sample a fixed latency later, whatever the buffer size.
class PortAudioOutput final : public SoundOutput {
public:
    enum class Host {
        SystemDefault, // the system's default device (ALSA's "default", a sound server on a desktop)
        Jack,          // the default output of PortAudio's JACK host, which needs a running server
    };
    PortAudioOutput(Clock& clock, Host host);
    ~PortAudioOutput() override;
    PortAudioOutput(const PortAudioOutput&) = delete;
    PortAudioOutput& operator=(const PortAudioOutput&) = delete;

    bool open(std::vector<std::int16_t> table) override;
    void gateOn() override;
    void gateOff() override;
    void close() override;
    QString errorText() const override { return error_; }

    // What the running stream keeps (for benchmarks and tests); zero when closed.
    double latencyMs() const;
    std::uint32_t lateEdges() const;
    std::uint32_t reanchors() const;

    // What the callback needs; shared with it through atomics only.
    struct Playback {
        std::optional<PlacedToneLoop> loop;
        std::int64_t frequency = 1;
        // Counter minus stream time, in counts: maps the stream's clock to ours.
        std::atomic<std::int64_t> streamToCounter{0};
    };

private:
    bool fail(const QString& what, int paError);
    void refreshStreamToCounter();

    Clock& clock_;
    Host host_;
    void* stream_ = nullptr; // PaStream, kept out of this header
    std::unique_ptr<Playback> playback_;
    QString error_;
};

} // namespace tavrik
