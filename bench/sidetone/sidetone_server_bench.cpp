// The sidetone as it leaves a real sound server: keys text through the real send loop and
// Tavrik's PortAudio output into a private server (JACK's dummy driver, or a null sink of
// PulseAudio or PipeWire reached as the system's default device), records it sample for sample, and prints
// each tone's length against its key mark and the latency, on an idle machine and with
// both cores kept busy.
//
//   sidetone_server_bench [jack|pulse|pipewire] [--busy-only]
//
// PortAudio looks for servers once a process: one server a run.
#include "keyer/sidetone_table.h"
#include "keying_report.h"
#include "platform/clock.h"
#include "platform/portaudio_output.h"
#include "support/sound_server.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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

double Percentile(std::vector<double> v, double q)
{
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1))];
}

// Other work on the machine: one spinning process per core, at normal priority.
class BusyCores {
public:
    explicit BusyCores(int count)
    {
        for (int i = 0; i < count; ++i) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                for (;;)
                    asm volatile("" ::: "memory");
            }
            if (pid > 0)
                pids_.push_back(pid);
        }
    }
    ~BusyCores()
    {
        for (const pid_t pid : pids_) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }

private:
    std::vector<pid_t> pids_;
};

void Measure(test::PrivateSoundServer& server, PortAudioOutput& output, MonotonicClock& clock, std::int16_t wpm, int words,
             const char* load)
{
    if (!server.startRecording()) {
        std::printf("%d WPM: cannot record the server\n", wpm);
        return;
    }
    OutputTone tone(output);
    const std::uint32_t late = output.lateEdges();
    const std::uint32_t reanchors = output.reanchors();
    const std::vector<std::int64_t> edges =
        test::KeyThroughTheSendLoop(clock, tone, wpm, RepeatedWord(QStringLiteral("PARIS"), words).toStdString());
    const std::vector<std::int16_t> recording = server.stopRecording(22050 / 2);
    const test::TonesAgainstMarks tones = test::CompareTonesWithMarks(recording, edges, clock.frequency(), server.quietLevel());
    if (tones.dropouts > 0)
        std::printf("%s, %d WPM: the server dropped out %d times inside tones\n", load, wpm, tones.dropouts);
    if (!tones.problem.empty()) {
        std::printf("%s, %d WPM: %s\n", load, wpm, tones.problem.c_str());
        return;
    }
    std::vector<double> errors;
    for (const double e : tones.lengthErrorMs)
        errors.push_back(std::fabs(e));
    const auto over = std::count_if(errors.begin(), errors.end(), [](double e) { return e > 1.0; });
    const auto [least, most] = std::minmax_element(tones.latencyMs.begin(), tones.latencyMs.end());
    std::printf("%s, %d WPM, %zu tones: |tone length - key mark| median %.3f ms, p99 %.3f ms, max %.3f ms, "
                "%td over 1 ms; latency spread %.3f ms; server clock stray %.1f ms; late edges %u, re-anchors %u\n",
                load, wpm, errors.size(), Percentile(errors, 0.5), Percentile(errors, 0.99),
                *std::max_element(errors.begin(), errors.end()), over, *most - *least, server.lastSlipMs(),
                output.lateEdges() - late, output.reanchors() - reanchors);
    std::fflush(stdout);
}

} // namespace
} // namespace tavrik::bench

int main(int argc, char** argv)
{
    using namespace tavrik;
    const bool pipewire = argc > 1 && std::strcmp(argv[1], "pipewire") == 0;
    const bool pulse = pipewire || (argc > 1 && std::strcmp(argv[1], "pulse") == 0);
    const bool busyOnly = argc > 2 && std::strcmp(argv[2], "--busy-only") == 0;
    // Before PortAudio looks for servers, and gone only after PortAudio lets go at exit.
    static std::unique_ptr<test::PrivateSoundServer> server;
    if (pulse)
        server = std::make_unique<test::PrivatePulseServer>(pipewire ? test::PrivatePulseServer::Kind::PipeWire
                                                                     : test::PrivatePulseServer::Kind::PulseAudio);
    else
        server = std::make_unique<test::PrivateJackServer>();
    if (!server->problem().empty()) {
        std::printf("no sound server: %s\n", server->problem().c_str());
        return 1;
    }
    MonotonicClock clock;
    // The output the sidetone plays through, kept at hand for its counts of late edges.
    PortAudioOutput output(clock, pulse ? PortAudioOutput::Host::SystemDefault : PortAudioOutput::Host::Jack);
    if (!output.open(SidetoneTable(700))) {
        std::printf("cannot open the output: %s\n", output.errorText().toLocal8Bit().constData());
        return 1;
    }
    std::printf("Sidetone through %s; fixed latency %.2f ms; PARIS repeated, every tone against its key mark\n",
                pipewire ? "PipeWire's PulseAudio server, a null sink (ALSA default device, 22050 Hz)"
                : pulse  ? "a PulseAudio null sink (ALSA default device, 22050 Hz)"
                         : "a JACK server (dummy driver, 22050 Hz, 256-frame cycle)",
                output.latencyMs());
    std::fflush(stdout);
    const struct { std::int16_t wpm; int words; } runs[] = {{20, 5}, {25, 5}, {40, 10}};
    if (!busyOnly) {
        for (const auto& run : runs)
            bench::Measure(*server, output, clock, run.wpm, run.words, "idle");
    }
    {
        const long cores = std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN));
        bench::BusyCores busy(static_cast<int>(cores));
        for (const auto& run : runs)
            bench::Measure(*server, output, clock, run.wpm, run.words, "all cores busy");
    }
    output.close();
    return 0;
}
