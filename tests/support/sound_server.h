#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tavrik::test {

// A JACK server of this process's own on the dummy driver at the sidetone's rate, under a
// unique server name (JACK_DEFAULT_SERVER), so nothing of the machine's sound is touched and
// PortAudio's JACK host API finds it. A recording client in this process records
// PortAudio's output port in the same processing cycle, sample for sample.
//
// Start it before the first PortAudio call of the process: PortAudio looks for servers once.
class PrivateSoundServer {
public:
    PrivateSoundServer();
    ~PrivateSoundServer();
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    // Empty when the server runs; else what went wrong.
    const std::string& problem() const { return problem_; }

    // Records PortAudio's output (open the stream first); false when it is not there.
    bool startRecording();
    // Waits until `moreSamples` beyond what is there now have arrived, then stops and
    // returns the recording.
    std::vector<std::int16_t> stopRecording(std::int64_t moreSamples);
    // How far the dummy driver's clock moved against the real clock during the last
    // recording (the least stray of each half second, largest minus least). A driver on
    // a timer loses real time when the machine is overloaded; the sound is then no measure of
    // latency, though every tone keeps its samples.
    double lastSlipMs() const { return lastSlipMs_; }

    // Runs in JACK's processing thread.
    struct Recorder;

private:
    std::string name_;
    std::string problem_;
    int serverPid_ = -1;
    std::unique_ptr<Recorder> recorder_;
    double lastSlipMs_ = 0;
};

// Tones found in a recording set against the key marks that made them, in milliseconds.
struct TonesAgainstMarks {
    std::string problem;               // empty when every mark has its tone
    std::vector<double> lengthErrorMs; // tone length minus key mark
    std::vector<double> latencyMs;     // tone start minus key down, plus one unknown constant
};

// `keyEdges` alternate down and up, stamped on a counter of `frequency`; `samples` are at
// 22050 Hz with silence between tones.
TonesAgainstMarks CompareTonesWithMarks(const std::vector<std::int16_t>& samples,
                                        const std::vector<std::int64_t>& keyEdges, std::int64_t frequency);

} // namespace tavrik::test
