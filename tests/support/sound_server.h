#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tavrik {
class Clock;
class ToneSwitch;
} // namespace tavrik

namespace tavrik::test {

// A sound server of this process's own, recorded sample for sample, so nothing of the
// machine's sound is touched. Start it before the first PortAudio call of the process:
// PortAudio looks for servers once.
class PrivateSoundServer {
public:
    virtual ~PrivateSoundServer() = default;
    // Empty when the server runs; else what went wrong.
    const std::string& problem() const { return problem_; }
    // The "Sidetone Output" that plays through it.
    virtual const char* sidetoneOutput() const = 0;
    // Records what the sidetone plays (open its stream first); false when it cannot.
    virtual bool startRecording() = 0;
    // Waits until `moreSamples` beyond what is there now have arrived, then stops and
    // returns the recording.
    virtual std::vector<std::int16_t> stopRecording(std::int64_t moreSamples) = 0;
    // How far the server's clock moved against the real clock during the last recording.
    // A server whose clock loses real time on a busy machine shortens the gaps it plays.
    virtual double lastSlipMs() const { return 0; }
    // The loudest sample that still counts as silence: a server that resamples leaves a
    // faint ringing around each edge.
    virtual int quietLevel() const { return 0; }

protected:
    std::string problem_;
};

// JACK on the dummy driver at the sidetone's rate, under a unique server name
// (JACK_DEFAULT_SERVER), which PortAudio's JACK host API finds. A recording client in this
// process records PortAudio's output port in the same processing cycle.
class PrivateJackServer final : public PrivateSoundServer {
public:
    PrivateJackServer();
    ~PrivateJackServer() override;
    PrivateJackServer(const PrivateJackServer&) = delete;
    PrivateJackServer& operator=(const PrivateJackServer&) = delete;

    const char* sidetoneOutput() const override { return "jack"; }
    bool startRecording() override;
    std::vector<std::int16_t> stopRecording(std::int64_t moreSamples) override;
    // The least stray of each half second, largest minus least: a driver on a timer loses
    // real time when the machine is overloaded; the sound is then no measure of latency,
    // though every tone keeps its samples.
    double lastSlipMs() const override { return lastSlipMs_; }

    // Runs in JACK's processing thread.
    struct Recorder;

private:
    std::string name_;
    int serverPid_ = -1;
    std::unique_ptr<Recorder> recorder_;
    double lastSlipMs_ = 0;
};

// A PulseAudio server with one null sink at 22050 Hz mono as its default, on a socket in a
// folder of its own (PULSE_SERVER); the system's default ALSA device plays into it, as on a
// desktop. parec records the sink's monitor. The server is PulseAudio's own daemon, or
// PipeWire (Debian 12's desktop default) with its session manager and its PulseAudio server,
// on a private session bus.
class PrivatePulseServer final : public PrivateSoundServer {
public:
    enum class Kind { PulseAudio, PipeWire };
    explicit PrivatePulseServer(Kind kind = Kind::PulseAudio);
    ~PrivatePulseServer() override;
    PrivatePulseServer(const PrivatePulseServer&) = delete;
    PrivatePulseServer& operator=(const PrivatePulseServer&) = delete;

    const char* sidetoneOutput() const override { return "default"; }
    bool startRecording() override;
    std::vector<std::int16_t> stopRecording(std::int64_t moreSamples) override;
    // PipeWire mixes at 48 kHz: the tone comes back through two resamplers.
    int quietLevel() const override { return kind_ == Kind::PipeWire ? 300 : 0; }

private:
    bool startPulseAudio(const std::vector<std::string>& environment);
    bool startPipeWire(const std::vector<std::string>& environment);

    Kind kind_;
    std::string folder_;
    std::string socket_;
    std::vector<int> serverPids_; // in the order started
    int recorderPid_ = -1;
};

// Keys `text` at `wpm` through the real send loop, sounding `tone`; returns the key edges,
// stamped on `clock`, down and up in turn.
std::vector<std::int64_t> KeyThroughTheSendLoop(Clock& clock, ToneSwitch& tone, std::int16_t wpm, const std::string& text);

// What multimon-ng's CW decoder copies from a 22050 Hz recording, blanks simplified.
std::string DecodeMorse(const std::vector<std::int16_t>& samples);

// Tones found in a recording set against the key marks that made them, in milliseconds.
struct TonesAgainstMarks {
    std::string problem;               // empty when every mark has its tone
    std::vector<double> lengthErrorMs; // tone length minus key mark
    std::vector<double> latencyMs;     // tone start minus key down, plus one unknown constant
    int dropouts = 0;                  // silences inside a tone, shorter than any keyed gap
};

// `keyEdges` alternate down and up, stamped on a counter of `frequency`; `samples` are at
// 22050 Hz with silence (no louder than `quiet`) between tones. A silence shorter than
// `shortestGap` samples is no gap the keyer made but a sound server that fell behind on a
// busy machine: it is counted as a dropout inside its tone.
TonesAgainstMarks CompareTonesWithMarks(const std::vector<std::int16_t>& samples,
                                        const std::vector<std::int64_t>& keyEdges, std::int64_t frequency, int quiet = 0,
                                        std::size_t shortestGap = 5);

} // namespace tavrik::test
