#include "support/sound_server.h"

#include <jack/jack.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <ctime>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tavrik::test {
namespace {

using namespace std::chrono_literals;

// The machine may be busy: waits are generous and end as soon as the condition holds.
constexpr auto kDeadline = 30s;

template <typename Condition>
bool WaitFor(Condition condition)
{
    const auto until = std::chrono::steady_clock::now() + kDeadline;
    while (std::chrono::steady_clock::now() < until) {
        if (condition())
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return condition();
}

int Spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnvironment)
{
    std::vector<std::string> environment = extraEnvironment;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool overridden = false;
        for (const std::string& extra : extraEnvironment)
            overridden = overridden || extra.compare(0, name.size() + 1, name + "=") == 0;
        if (!overridden)
            environment.push_back(entry);
    }
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : environment)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    // The server's chatter would drown the test's own report.
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, argv[0], &quiet, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&quiet);
    return failed != 0 ? -1 : pid;
}

void Stop(int& pid, int signal)
{
    if (pid <= 0)
        return;
    ::kill(pid, signal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    pid = -1;
}

bool Running(int pid)
{
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, WNOHANG) == 0;
}



} // namespace

struct PrivateSoundServer::Recorder {
    static constexpr std::size_t kCapacity = 22050 * 120;
    jack_client_t* client = nullptr;
    jack_port_t* port = nullptr;
    std::vector<std::int16_t> samples = std::vector<std::int16_t>(kCapacity);
    std::atomic<std::size_t> count{0};
    std::atomic<bool> recording{false};
    // Written by the processing thread, read once it has stopped recording.
    static constexpr std::size_t kWindowSamples = 22050 / 2;
    static constexpr std::size_t kWindows = kCapacity / kWindowSamples;
    std::vector<std::int64_t> leastStrayNs = std::vector<std::int64_t>(kWindows);

    static int Process(jack_nframes_t frames, void* self)
    {
        auto* r = static_cast<Recorder*>(self);
        if (!r->recording.load(std::memory_order_acquire))
            return 0;
        const auto* in = static_cast<const float*>(jack_port_get_buffer(r->port, frames));
        std::size_t n = r->count.load(std::memory_order_relaxed);
        for (jack_nframes_t i = 0; i < frames && n < kCapacity; ++i, ++n)
            r->samples[n] = static_cast<std::int16_t>(std::lround(std::clamp(in[i] * 32768.0f, -32768.0f, 32767.0f)));
        // How far the driver's samples stray from the real clock. A cycle may wake late, never
        // early: the least stray of each half second is where the driver's clock stands.
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const std::int64_t ns = now.tv_sec * 1'000'000'000LL + now.tv_nsec;
        const std::int64_t stray = ns - static_cast<std::int64_t>(n) * 1'000'000'000LL / 22050;
        const std::size_t window = std::min(n / kWindowSamples, kWindows - 1);
        r->leastStrayNs[window] = std::min(r->leastStrayNs[window], stray);
        r->count.store(n, std::memory_order_release);
        return 0;
    }
};

PrivateSoundServer::PrivateSoundServer() : name_("tavrik-test-" + std::to_string(::getpid()))
{
    // Real-time threads above the keyer's keep the dummy driver's cycle on a busy machine, as
    // an operator's JACK server would run.
    serverPid_ = Spawn({"jackd", "--name", name_, "--realtime", "--realtime-priority", "70", "--no-mlock", "-d", "dummy", "-r", "22050", "-p", "256",
                        "-C", "0", "-P", "1"},
                       {});
    if (serverPid_ < 0) {
        problem_ = "cannot start jackd (install it with scripts/setup-debian)";
        return;
    }
    ::setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
    ::setenv("JACK_NO_START_SERVER", "1", 1);
    recorder_ = std::make_unique<Recorder>();
    jack_set_error_function([](const char*) {});
    jack_set_info_function([](const char*) {});
    WaitFor([&] {
        jack_status_t status{};
        recorder_->client = jack_client_open("recorder", JackNoStartServer, &status);
        return recorder_->client != nullptr || !Running(serverPid_);
    });
    if (recorder_->client == nullptr) {
        problem_ = "jackd did not start";
        return;
    }
    recorder_->port = jack_port_register(recorder_->client, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(recorder_->client, &Recorder::Process, recorder_.get());
    if (recorder_->port == nullptr || jack_activate(recorder_->client) != 0)
        problem_ = "cannot start the recording client";
}

PrivateSoundServer::~PrivateSoundServer()
{
    if (recorder_ && recorder_->client != nullptr)
        jack_client_close(recorder_->client);
    Stop(serverPid_, SIGTERM);
    ::unsetenv("JACK_DEFAULT_SERVER");
}

bool PrivateSoundServer::startRecording()
{
    const char** ports = jack_get_ports(recorder_->client, "^PortAudio", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
    if (ports == nullptr)
        return false;
    const bool connected = ports[0] != nullptr && jack_connect(recorder_->client, ports[0], jack_port_name(recorder_->port)) == 0;
    jack_free(ports);
    recorder_->count.store(0);
    std::fill(recorder_->leastStrayNs.begin(), recorder_->leastStrayNs.end(), std::numeric_limits<std::int64_t>::max());
    recorder_->recording.store(connected, std::memory_order_release);
    return connected;
}

std::vector<std::int16_t> PrivateSoundServer::stopRecording(std::int64_t moreSamples)
{
    const std::size_t until = recorder_->count.load() + static_cast<std::size_t>(moreSamples);
    WaitFor([&] { return recorder_->count.load() >= std::min(until, Recorder::kCapacity); });
    recorder_->recording.store(false, std::memory_order_release);
    jack_port_disconnect(recorder_->client, recorder_->port);
    const std::size_t n = recorder_->count.load(std::memory_order_acquire);
    std::int64_t least = std::numeric_limits<std::int64_t>::max();
    std::int64_t most = std::numeric_limits<std::int64_t>::min();
    for (const std::int64_t stray : recorder_->leastStrayNs) {
        if (stray == std::numeric_limits<std::int64_t>::max())
            continue;
        least = std::min(least, stray);
        most = std::max(most, stray);
    }
    lastSlipMs_ = most >= least ? static_cast<double>(most - least) / 1e6 : 0.0;
    return std::vector<std::int16_t>(recorder_->samples.begin(), recorder_->samples.begin() + static_cast<std::ptrdiff_t>(n));
}

} // namespace tavrik::test

namespace tavrik::test {

TonesAgainstMarks CompareTonesWithMarks(const std::vector<std::int16_t>& samples,
                                        const std::vector<std::int64_t>& keyEdges, std::int64_t frequency)
{
    TonesAgainstMarks result;
    // A tone is a run of non-zero samples; a sine of the sidetone's pitches never stays at
    // zero for more than a few samples inside a tone.
    std::vector<std::pair<std::size_t, std::size_t>> tones; // first sample, length
    for (std::size_t i = 0; i < samples.size();) {
        if (samples[i] == 0) {
            ++i;
            continue;
        }
        std::size_t last = i;
        for (std::size_t j = i + 1; j < samples.size() && j <= last + 4; ++j) {
            if (samples[j] != 0)
                last = j;
        }
        // The table starts at sin 0 = 0: the tone began one sample before its first non-zero.
        const std::size_t first = i > 0 ? i - 1 : 0;
        tones.emplace_back(first, last + 1 - first);
        i = last + 1;
    }
    const std::size_t marks = keyEdges.size() / 2;
    if (tones.size() != marks) {
        result.problem = std::to_string(tones.size()) + " tones recorded for " + std::to_string(marks) + " key marks";
        return result;
    }
    const auto ms = [&](std::int64_t counts) { return static_cast<double>(counts) * 1000.0 / static_cast<double>(frequency); };
    for (std::size_t t = 0; t < marks; ++t) {
        const double toneMs = static_cast<double>(tones[t].second) * 1000.0 / 22050.0;
        result.lengthErrorMs.push_back(toneMs - ms(keyEdges[2 * t + 1] - keyEdges[2 * t]));
        result.latencyMs.push_back(static_cast<double>(tones[t].first) * 1000.0 / 22050.0 - ms(keyEdges[2 * t] - keyEdges[0]));
    }
    return result;
}

} // namespace tavrik::test
