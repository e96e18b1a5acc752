#include "platform/portaudio_output.h"

#include "platform/clock.h"

#include <QDir>
#include <QFile>

#include <alsa/asoundlib.h>
#include <sched.h>
#include <jack/jack.h>
#include <pa_linux_alsa.h>
#include <portaudio.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <thread>

namespace tavrik {
namespace {

// The buffer asked of the device: 5.8 ms at 22050 Hz. The device may give more.
constexpr unsigned long kFramesPerBuffer = 128;
// Added to what the stream reports, for a callback that runs late on a busy machine.
constexpr double kLatencyMarginSeconds = 0.008;
// Buffers an edge may wait behind: a sound server fills its buffer in bursts, so an edge may
// wait a whole buffer for the next callback, which then renders behind a full buffer, and a
// busy machine may make that callback late by another.
constexpr double kBuffersOfLatency = 3;
// How far the stream's own estimate of when a buffer sounds may stray before it is trusted
// over the samples counted; a sound server's estimate jitters by about a millisecond.
constexpr double kAnchorToleranceSeconds = 0.006;
constexpr auto kStartTimeout = std::chrono::seconds(3);
// 1/5000 s: a stream-time reading that takes longer was interrupted.
constexpr std::int64_t kLongestClockReading = 5000;

// PulseAudio's client library in this process carries the samples from ALSA's buffer to the
// server on a thread of its own ("threaded-ml"). At normal priority a busy machine starves it
// for longer than the buffer lasts, and the tone drops out: it gets the real-time priority
// PortAudio gives the callback thread (the lowest), where the process may have it.
void RaiseSoundServerThreads()
{
    sched_param callback{};
    callback.sched_priority = sched_get_priority_min(SCHED_FIFO);
    QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        if (!comm.open(QIODevice::ReadOnly))
            continue;
        const QByteArray name = comm.readAll().trimmed();
        if (name == "threaded-ml")
            sched_setscheduler(tid.toInt(), SCHED_FIFO, &callback);
    }
}

void IgnoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}
void IgnoreJackMessage(const char*) {}

// PortAudio is set up once per process and shut down at exit; every output shares it.
class PortAudioLibrary {
public:
    static PaError status()
    {
        static const PortAudioLibrary library;
        return library.status_;
    }

private:
    PortAudioLibrary() : status_(Initialize()) {}
    ~PortAudioLibrary()
    {
        if (status_ == paNoError)
            Pa_Terminate();
    }
    static PaError Initialize()
    {
        // Probing for devices makes the sound libraries print every card and server they
        // could not reach; the operator gets one message of ours instead. Nor may a probe
        // start a JACK server of its own.
        snd_lib_error_set_handler(IgnoreAlsaMessage);
        jack_set_error_function(IgnoreJackMessage);
        jack_set_info_function(IgnoreJackMessage);
        setenv("JACK_NO_START_SERVER", "1", 0);
        return Pa_Initialize();
    }
    PaError status_;
};

int RenderCallback(const void* /*input*/, void* output, unsigned long frames, const PaStreamCallbackTimeInfo* time,
                   PaStreamCallbackFlags /*flags*/, void* user)
{
    auto* playback = static_cast<PortAudioOutput::Playback*>(user);
    const std::int64_t streamToCounter = playback->streamToCounter.load(std::memory_order_relaxed);
    if (streamToCounter == 0) {
        // Until the stream's clock is known, nothing can be placed and nothing is keyed.
        std::fill_n(static_cast<std::int16_t*>(output), frames, std::int16_t{0});
        return paContinue;
    }
    const std::int64_t firstSampleAt = static_cast<std::int64_t>(time->outputBufferDacTime * static_cast<double>(playback->frequency))
                                       + streamToCounter;
    playback->loop->render(static_cast<std::int16_t*>(output), frames, firstSampleAt);
    return paContinue;
}

} // namespace

PortAudioOutput::PortAudioOutput(Clock& clock, Host host) : clock_(clock), host_(host) {}

PortAudioOutput::~PortAudioOutput()
{
    close();
}

bool PortAudioOutput::fail(const QString& what, int paError)
{
    error_ = what;
    if (paError != paNoError)
        error_ += QStringLiteral(": ") + QString::fromLocal8Bit(Pa_GetErrorText(paError));
    close();
    return false;
}

bool PortAudioOutput::open(std::vector<std::int16_t> table)
{
    close();
    error_.clear();
    if (const PaError status = PortAudioLibrary::status(); status != paNoError)
        return fail(QStringLiteral("Cannot start PortAudio"), status);
    PaStreamParameters parameters{};
    if (host_ == Host::Jack) {
        const PaHostApiIndex jack = Pa_HostApiTypeIdToHostApiIndex(paJACK);
        const PaHostApiInfo* info = jack >= 0 ? Pa_GetHostApiInfo(jack) : nullptr;
        parameters.device = info != nullptr ? info->defaultOutputDevice : paNoDevice;
        if (parameters.device == paNoDevice)
            return fail(QStringLiteral("No JACK server was running when Tavrik started"), paNoError);
    } else {
        parameters.device = Pa_GetDefaultOutputDevice();
        if (parameters.device == paNoDevice)
            return fail(QStringLiteral("No default sound output device"), paNoError);
    }
    const PaDeviceInfo* device = Pa_GetDeviceInfo(parameters.device);
    parameters.channelCount = 1;
    parameters.sampleFormat = paInt16;
    // Not the lowest latency: through a sound server (the usual default device) that one
    // underruns on a busy machine and chops the tones. Edges are placed by sample, so a longer
    // buffer only delays the sidetone by a fixed time; the keying is from the typing box, so
    // the operator does not send by ear.
    parameters.suggestedLatency = device != nullptr ? device->defaultHighOutputLatency : 0.0;

    // The latency is only known once the stream is open, so the loop is made between open
    // and start; the callback runs only after the start.
    playback_ = std::make_unique<Playback>();
    playback_->frequency = clock_.frequency();
    PaStream* stream = nullptr;
    PaError error = Pa_OpenStream(&stream, nullptr, &parameters, kSoundSampleRate, kFramesPerBuffer, paNoFlag,
                                  RenderCallback, playback_.get());
    if (error != paNoError)
        return fail(QStringLiteral("Cannot open the sound output"), error);
    stream_ = stream;
    const PaStreamInfo* info = Pa_GetStreamInfo(stream);
    const double frequency = static_cast<double>(clock_.frequency());
    const double latency = kBuffersOfLatency * (info != nullptr ? info->outputLatency : 0.0) + kLatencyMarginSeconds;
    playback_->loop.emplace(std::move(table), PlacedToneLoop::Timing{clock_.frequency(), kSoundSampleRate,
                                                                     std::llround(latency * frequency),
                                                                     std::llround(kAnchorToleranceSeconds * frequency)});
    const PaHostApiInfo* host = device != nullptr ? Pa_GetHostApiInfo(device->hostApi) : nullptr;
    const bool alsa = host != nullptr && host->type == paALSA;
    if (alsa)
        PaAlsa_EnableRealtimeScheduling(stream, 1); // where the system allows it
    error = Pa_StartStream(stream);
    if (error != paNoError)
        return fail(QStringLiteral("Cannot start the sound output"), error);
    if (alsa)
        RaiseSoundServerThreads();
    // A sound server may take a second or more to start playing, and its first estimates of
    // when a buffer sounds are those of a stream that does not play yet. The tone waits here
    // until the stream has played a whole latency and its estimates hold, so the first tone
    // after a start (the setup dialog's tone test, say) sounds where it belongs and keeps its
    // length.
    const auto started = std::chrono::steady_clock::now();
    const auto until = started + kStartTimeout;
    const auto played = std::chrono::nanoseconds(std::llround(latency * 1e9));
    do {
        refreshStreamToCounter();
        const PlacedToneLoop& loop = *playback_->loop;
        if (loop.anchored() && loop.steadyBuffers() >= PlacedToneLoop::kStraysToMove
            && std::chrono::steady_clock::now() - started >= played)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    } while (std::chrono::steady_clock::now() < until);
    return true;
}

void PortAudioOutput::refreshStreamToCounter()
{
    if (stream_ == nullptr || !playback_ || !playback_->loop)
        return;
    const std::int64_t before = clock_.counter();
    const PaTime streamTime = Pa_GetStreamTime(static_cast<PaStream*>(stream_));
    const std::int64_t after = clock_.counter();
    // A reading the thread was interrupted in says little about when the stream read its
    // clock; the mapping from before stands.
    if (streamTime <= 0 || after - before > clock_.frequency() / kLongestClockReading)
        return;
    const auto stream = static_cast<std::int64_t>(streamTime * static_cast<double>(playback_->frequency));
    playback_->streamToCounter.store(before + (after - before) / 2 - stream, std::memory_order_relaxed);
}

void PortAudioOutput::gateOn()
{
    if (playback_ && playback_->loop)
        playback_->loop->toneOn(clock_.counter());
}

void PortAudioOutput::gateOff()
{
    if (!playback_ || !playback_->loop)
        return;
    playback_->loop->toneOff(clock_.counter());
    // The two clocks may drift apart over a long run; a tone-off's cost is measured anyway.
    refreshStreamToCounter();
}

void PortAudioOutput::close()
{
    if (stream_ != nullptr) {
        // Pa_StopStream returns once the callback has finished, so the loop can go after it.
        auto* stream = static_cast<PaStream*>(stream_);
        Pa_StopStream(stream);
        Pa_CloseStream(stream);
        stream_ = nullptr;
    }
    playback_.reset();
}

double PortAudioOutput::latencyMs() const
{
    return playback_ && playback_->loop ? static_cast<double>(playback_->loop->latency()) * 1000.0 / static_cast<double>(clock_.frequency()) : 0.0;
}

std::uint32_t PortAudioOutput::lateEdges() const
{
    return playback_ && playback_->loop ? playback_->loop->lateEdges() : 0;
}

std::uint32_t PortAudioOutput::reanchors() const
{
    return playback_ && playback_->loop ? playback_->loop->reanchors() : 0;
}

} // namespace tavrik
