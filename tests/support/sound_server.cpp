#include "support/sound_server.h"

#include "keyer/software_keyer.h"
#include "platform/priority.h"
#include "support/keyer_fakes.h"

#include <jack/jack.h>

#include <QString>

#include <algorithm>
#include <cmath>
#include <limits>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <ctime>

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
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

// `output` receives the program's standard output; its chatter on standard error would
// drown the test's own report.
int Spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnvironment,
          const std::string& output = "/dev/null")
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
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
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

// `command` run real-time (SCHED_FIFO 50) where this process may use real-time scheduling,
// else as it is.
std::vector<std::string> RealTime(std::vector<std::string> command)
{
    sched_param fifo{};
    fifo.sched_priority = 1;
    const int policy = sched_getscheduler(0);
    sched_param saved{};
    sched_getparam(0, &saved);
    if (sched_setscheduler(0, SCHED_FIFO, &fifo) != 0)
        return command;
    sched_setscheduler(0, policy, &saved);
    command.insert(command.begin(), {"chrt", "-f", "50"});
    return command;
}

std::int64_t FileSize(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::int64_t>(info.st_size) : -1;
}



} // namespace

struct PrivateJackServer::Recorder {
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

PrivateJackServer::PrivateJackServer() : name_("tavrik-test-" + std::to_string(::getpid()))
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

PrivateJackServer::~PrivateJackServer()
{
    if (recorder_ && recorder_->client != nullptr)
        jack_client_close(recorder_->client);
    Stop(serverPid_, SIGTERM);
    ::unsetenv("JACK_DEFAULT_SERVER");
}

bool PrivateJackServer::startRecording()
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

std::vector<std::int16_t> PrivateJackServer::stopRecording(std::int64_t moreSamples)
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

PrivatePulseServer::PrivatePulseServer(Kind kind) : kind_(kind)
{
    char folder[] = "/tmp/tavrik-pulse-XXXXXX";
    if (::mkdtemp(folder) == nullptr) {
        problem_ = "cannot make a folder for the sound server";
        return;
    }
    folder_ = folder;
    std::ofstream(folder_ + "/client.conf") << "autospawn = no\n";
    // Nothing is read from or written to the machine's own sound set-up.
    const std::vector<std::string> environment = {
        "HOME=" + folder_, "XDG_CONFIG_HOME=" + folder_ + "/config", "XDG_STATE_HOME=" + folder_ + "/state",
        "XDG_RUNTIME_DIR=" + folder_, "PULSE_RUNTIME_PATH=" + folder_ + "/run", "PULSE_STATE_PATH=" + folder_ + "/state",
        "PULSE_CLIENTCONFIG=" + folder_ + "/client.conf", "DBUS_SESSION_BUS_ADDRESS=unix:path=" + folder_ + "/bus"};
    if (!(kind == Kind::PulseAudio ? startPulseAudio(environment) : startPipeWire(environment)))
        return;
    for (const std::string& entry : environment) {
        const std::size_t equals = entry.find('=');
        if (entry.compare(0, 6, "PULSE_") == 0)
            ::setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
    }
    ::setenv("PULSE_SERVER", ("unix:" + socket_).c_str(), 1);
}

bool PrivatePulseServer::startPulseAudio(const std::vector<std::string>& environment)
{
    socket_ = folder_ + "/native";
    // Only what the test needs: its socket, and the null sink as the default.
    std::ofstream(folder_ + "/server.pa") << "load-module module-native-protocol-unix auth-anonymous=1 socket=" << socket_
                                           << "\nload-module module-null-sink sink_name=tavrik format=s16le rate=22050 channels=1\n"
                                              "set-default-sink tavrik\n";
    // Above the keyer's load where the process may have it, as the JACK server runs: on a
    // busy machine a server or recorder that falls behind drops samples, which no keyer
    // could help.
    const int pid = Spawn(RealTime({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                                    "--realtime=yes", "--high-priority=yes", "--log-target=stderr", "-F", folder_ + "/server.pa"}),
                          environment);
    if (pid < 0) {
        problem_ = "cannot start pulseaudio (install it with scripts/setup-debian)";
        return false;
    }
    serverPids_.push_back(pid);
    if (!WaitFor([&] { return FileSize(socket_) >= 0 || !Running(pid); }) || !Running(pid)) {
        problem_ = "pulseaudio did not start";
        return false;
    }
    return true;
}

bool PrivatePulseServer::startPipeWire(const std::vector<std::string>& environment)
{
    socket_ = folder_ + "/run/native"; // PipeWire's PulseAudio server also heeds PULSE_RUNTIME_PATH
    // The session manager links streams to sinks and needs a session bus; the PulseAudio
    // server of PipeWire is what a desktop's ALSA default plays into.
    const std::vector<std::vector<std::string>> programs = {
        {"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=unix:path=" + folder_ + "/bus"},
        {"pipewire"},
        {"wireplumber"},
        {"pipewire-pulse"},
    };
    for (const auto& program : programs) {
        const int pid = Spawn(RealTime(program), environment);
        if (pid < 0) {
            problem_ = "cannot start " + program.front() + " (install it with scripts/setup-debian)";
            return false;
        }
        serverPids_.push_back(pid);
        // Each one's socket before the next looks for it.
        const std::string ready = program.front() == "dbus-daemon" ? folder_ + "/bus"
                                  : program.front() == "pipewire" ? folder_ + "/pipewire-0"
                                  : program.front() == "pipewire-pulse" ? socket_
                                                                        : std::string();
        if (!ready.empty() && !WaitFor([&] { return FileSize(ready) >= 0 || !Running(pid); })) {
            problem_ = program.front() + " did not start";
            return false;
        }
    }
    std::vector<std::string> client = environment;
    client.push_back("PULSE_SERVER=unix:" + socket_);
    // The session manager may take a moment before it takes commands.
    const bool sink = WaitFor([&] {
        const int pid = Spawn({"pactl", "load-module", "module-null-sink", "sink_name=tavrik", "format=s16le", "rate=22050",
                               "channels=1"},
                              client);
        int status = 1;
        return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    });
    int status = 1;
    const int pid = sink ? Spawn({"pactl", "set-default-sink", "tavrik"}, client) : -1;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        problem_ = "PipeWire's PulseAudio server took no null sink";
        return false;
    }
    return true;
}

PrivatePulseServer::~PrivatePulseServer()
{
    Stop(recorderPid_, SIGTERM);
    for (auto pid = serverPids_.rbegin(); pid != serverPids_.rend(); ++pid)
        Stop(*pid, SIGTERM);
    ::unsetenv("PULSE_SERVER");
    if (!folder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
}

bool PrivatePulseServer::startRecording()
{
    Stop(recorderPid_, SIGTERM);
    const std::string raw = folder_ + "/recording.raw";
    recorderPid_ = Spawn(RealTime({"parec", "--device=tavrik.monitor", "--raw", "--format=s16le", "--rate=22050",
                                    "--channels=1", "--latency-msec=10"}),
                         {}, raw);
    // The monitor plays silence between tones: the recording has begun once bytes arrive.
    return recorderPid_ > 0 && WaitFor([&] { return FileSize(raw) > 0 || !Running(recorderPid_); }) && Running(recorderPid_);
}

std::vector<std::int16_t> PrivatePulseServer::stopRecording(std::int64_t moreSamples)
{
    const std::string raw = folder_ + "/recording.raw";
    const std::int64_t until = FileSize(raw) + 2 * moreSamples;
    WaitFor([&] { return FileSize(raw) >= until; });
    Stop(recorderPid_, SIGTERM);
    std::ifstream in(raw, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

namespace {

class KeyStamps final : public KeyLines {
public:
    explicit KeyStamps(Clock& clock) : clock_(clock) { edges.reserve(4096); }
    void keyDown() override { edges.push_back(clock_.counter()); }
    void keyUp() override { edges.push_back(clock_.counter()); }
    void pttOn() override {}
    void pttOff() override {}
    std::vector<std::int64_t> edges;

private:
    Clock& clock_;
};

} // namespace

std::vector<std::int64_t> KeyThroughTheSendLoop(Clock& clock, ToneSwitch& tone, std::int16_t wpm, const std::string& text)
{
    SimulatedClock logClock; // the fakes' log only; the keyer runs on `clock`
    EdgeLog log(logClock);
    KeyStamps lines(clock);
    SchedulerPriority priority;
    RecordingLink link(log);
    FakeQueue box;
    box.trackColours = false;
    FakeKeyerWindow window(log);
    SoftwareKeyer keyer({clock, priority, lines, tone, box, link, window});
    keyer.options().pttDelayMs = 0;
    keyer.options().slowTyping = false;
    keyer.setOperatorSpeed(wpm);
    SendAsTheWindowDoes(keyer, box, QString::fromStdString(text));
    return lines.edges;
}

std::string DecodeMorse(const std::vector<std::int16_t>& samples)
{
    char raw[] = "/tmp/tavrik-cw-XXXXXX";
    const int fd = ::mkstemp(raw);
    if (fd < 0)
        return "(cannot write the recording)";
    const auto bytes = static_cast<ssize_t>(samples.size() * 2);
    const bool written = ::write(fd, samples.data(), static_cast<std::size_t>(bytes)) == bytes;
    ::close(fd);
    std::string copied;
    if (FILE* decoder = written ? ::popen(("multimon-ng -q -a MORSE_CW -t raw '" + std::string(raw) + "' 2>&1").c_str(), "r") : nullptr) {
        for (char buffer[256]; std::fgets(buffer, sizeof buffer, decoder) != nullptr;)
            copied += buffer;
        ::pclose(decoder);
    }
    ::unlink(raw);
    return QString::fromStdString(copied).simplified().toStdString();
}

} // namespace tavrik::test

namespace tavrik::test {

TonesAgainstMarks CompareTonesWithMarks(const std::vector<std::int16_t>& samples,
                                        const std::vector<std::int64_t>& keyEdges, std::int64_t frequency, int quiet,
                                        std::size_t shortestGap)
{
    TonesAgainstMarks result;
    // A tone is a run of samples louder than `quiet`; a sine of the sidetone's pitches never
    // stays that quiet for more than a few samples inside a tone.
    const auto sounds = [&](std::size_t i) { return std::abs(static_cast<int>(samples[i])) > quiet; };
    std::vector<std::pair<std::size_t, std::size_t>> tones; // first sample, length
    for (std::size_t i = 0; i < samples.size();) {
        if (!sounds(i)) {
            ++i;
            continue;
        }
        std::size_t last = i;
        for (std::size_t j = i + 1; j < samples.size() && j < last + shortestGap; ++j) {
            if (sounds(j)) {
                // A sine passes zero for a sample or two; a longer silence is a dropout.
                if (j > last + 4)
                    ++result.dropouts;
                last = j;
            }
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
