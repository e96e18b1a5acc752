#include "platform/portaudio_output.h"

#include <portaudio.h>

namespace tavrik {
namespace {

// PortAudio is set up once per process and shut down at exit; every output shares it.
class PortAudioLibrary {
public:
    static PaError status()
    {
        static const PortAudioLibrary library;
        return library.status_;
    }

private:
    PortAudioLibrary() : status_(Pa_Initialize()) {}
    ~PortAudioLibrary()
    {
        if (status_ == paNoError)
            Pa_Terminate();
    }
    PaError status_;
};

int RenderCallback(const void* /*input*/, void* output, unsigned long frames, const PaStreamCallbackTimeInfo* /*time*/,
                   PaStreamCallbackFlags /*flags*/, void* loop)
{
    static_cast<GatedLoop*>(loop)->render(static_cast<std::int16_t*>(output), frames);
    return paContinue;
}

} // namespace

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
    parameters.device = Pa_GetDefaultOutputDevice();
    if (parameters.device == paNoDevice)
        return fail(QStringLiteral("No default sound output device"), paNoError);
    const PaDeviceInfo* device = Pa_GetDeviceInfo(parameters.device);
    parameters.channelCount = 1;
    parameters.sampleFormat = paInt16;
    // The lowest latency the device offers: a dot at 50 WPM lasts only 24 ms.
    parameters.suggestedLatency = device != nullptr ? device->defaultLowOutputLatency : 0.0;

    loop_ = std::make_unique<GatedLoop>(std::move(table));
    PaStream* stream = nullptr;
    PaError error = Pa_OpenStream(&stream, nullptr, &parameters, kSoundSampleRate, paFramesPerBufferUnspecified, paNoFlag,
                                  RenderCallback, loop_.get());
    if (error != paNoError)
        return fail(QStringLiteral("Cannot open the sound output"), error);
    stream_ = stream;
    error = Pa_StartStream(stream);
    if (error != paNoError)
        return fail(QStringLiteral("Cannot start the sound output"), error);
    return true;
}

void PortAudioOutput::gateOn()
{
    if (loop_)
        loop_->gateOn();
}

void PortAudioOutput::gateOff()
{
    if (loop_)
        loop_->gateOff();
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
    loop_.reset();
}

} // namespace tavrik
