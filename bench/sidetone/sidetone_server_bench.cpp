// The sidetone as it leaves a real sound server: keys text through the real send loop and
// PortAudio's JACK output into a private JACK server (dummy driver), records it sample for
// sample, and prints each tone's length against its key mark and the latency. With a path
// argument it also writes a 25 WPM recording (raw, 16-bit mono 22050 Hz) for a CW decoder.
#include "keyer/sidetone_table.h"
#include "keyer/software_keyer.h"
#include "keying_report.h"
#include "platform/clock.h"
#include "platform/portaudio_output.h"
#include "platform/priority.h"
#include "support/keyer_fakes.h"
#include "support/sound_server.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

namespace tavrik::bench {
namespace {

class OutputTone final : public ToneSwitch {
public:
    explicit OutputTone(PortAudioOutput& output) : output_(output) {}
    void toneOn() override { output_.gateOn(); }
    void toneOff() override { output_.gateOff(); }

private:
    PortAudioOutput& output_;
};

// Keys `text` and returns the recording; `edges` gets the key marks.
std::vector<std::int16_t> KeyAndRecord(test::PrivateSoundServer& server, PortAudioOutput& output, MonotonicClock& clock,
                                       std::int16_t wpm, const QString& text, std::vector<std::int64_t>& edges)
{
    server.startRecording();
    test::SimulatedClock logClock;
    test::EdgeLog log(logClock);
    KeyEdgeRecorder lines(clock);
    SchedulerPriority priority;
    test::RecordingLink link(log);
    test::FakeQueue box;
    box.trackColours = false;
    test::FakeKeyerWindow window(log);
    OutputTone tone(output);
    SoftwareKeyer keyer({clock, priority, lines, tone, box, link, window});
    keyer.options().pttDelayMs = 0;
    keyer.options().slowTyping = false;
    keyer.setOperatorSpeed(wpm);
    test::SendAsTheWindowDoes(keyer, box, text);
    edges = lines.edges;
    return server.stopRecording(22050 / 2);
}

double Percentile(std::vector<double> v, double q)
{
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1))];
}

} // namespace
} // namespace tavrik::bench

int main(int argc, char** argv)
{
    using namespace tavrik;
    // Before PortAudio looks for servers, and gone only after PortAudio lets go at exit.
    static test::PrivateSoundServer server;
    if (!server.problem().empty()) {
        std::printf("no sound server: %s\n", server.problem().c_str());
        return 1;
    }
    MonotonicClock clock;
    PortAudioOutput output(clock, PortAudioOutput::Host::Jack);
    if (!output.open(SidetoneTable(700))) {
        std::printf("cannot open the output: %s\n", output.errorText().toLocal8Bit().constData());
        return 1;
    }
    std::printf("Sidetone through a JACK server (dummy driver, 22050 Hz, 256-frame cycle); fixed latency %.2f ms\n",
                output.latencyMs());
    std::fflush(stdout);
    for (const std::int16_t wpm : {20, 40}) {
        std::vector<std::int64_t> edges;
        const auto recording =
            bench::KeyAndRecord(server, output, clock, wpm, bench::RepeatedWord(QStringLiteral("PARIS"), wpm / 4), edges);
        const test::TonesAgainstMarks tones = test::CompareTonesWithMarks(recording, edges, clock.frequency());
        if (!tones.problem.empty()) {
            std::printf("%d WPM: %s\n", wpm, tones.problem.c_str());
            continue;
        }
        std::vector<double> errors;
        for (const double e : tones.lengthErrorMs)
            errors.push_back(std::fabs(e));
        const auto [least, most] = std::minmax_element(tones.latencyMs.begin(), tones.latencyMs.end());
        std::printf("%d WPM, %zu tones: tone length minus key mark median %.3f ms, p99 %.3f ms, max %.3f ms; "
                    "latency spread %.3f ms; server clock stray %.1f ms; late edges %u, re-anchors %u\n",
                    wpm, errors.size(), bench::Percentile(errors, 0.5), bench::Percentile(errors, 0.99),
                    *std::max_element(errors.begin(), errors.end()), *most - *least, server.lastSlipMs(), output.lateEdges(),
                    output.reanchors());
        std::fflush(stdout);
    }
    if (argc > 1) {
        std::vector<std::int64_t> edges;
        const auto recording = bench::KeyAndRecord(server, output, clock, 25, QStringLiteral("CQ CQ DE SM5KAB SM5KAB K"), edges);
        std::ofstream(argv[1], std::ios::binary)
            .write(reinterpret_cast<const char*>(recording.data()), static_cast<std::streamsize>(recording.size() * 2));
        std::printf("25 WPM recording of \"CQ CQ DE SM5KAB SM5KAB K\" written to %s\n", argv[1]);
    }
    output.close();
    return 0;
}
