#include "platform/sound_output_choice.h"

#include "platform/portaudio_output.h"
#include "platform/wav_capture_output.h"

namespace tavrik {

SoundOutputChoice ParseSoundOutputChoice(const QString& setting)
{
    const QString text = setting.trimmed();
    if (text.isEmpty() || text.compare(QStringLiteral("default"), Qt::CaseInsensitive) == 0)
        return {SoundOutputChoice::Kind::DefaultDevice, {}};
    if (text.compare(QStringLiteral("jack"), Qt::CaseInsensitive) == 0)
        return {SoundOutputChoice::Kind::Jack, {}};
    if (text.compare(QStringLiteral("none"), Qt::CaseInsensitive) == 0)
        return {SoundOutputChoice::Kind::None, {}};
    const QString wavPrefix = QStringLiteral("wav:");
    if (text.startsWith(wavPrefix, Qt::CaseInsensitive)) {
        const QString path = text.mid(wavPrefix.size());
        if (!path.isEmpty())
            return {SoundOutputChoice::Kind::WavFile, path};
    }
    return {SoundOutputChoice::Kind::Unknown, {}};
}

std::unique_ptr<SoundOutput> MakeSoundOutput(const QString& setting, Clock& clock, QString& reason)
{
    const SoundOutputChoice choice = ParseSoundOutputChoice(setting);
    switch (choice.kind) {
    case SoundOutputChoice::Kind::DefaultDevice:
        return std::make_unique<PortAudioOutput>(clock, PortAudioOutput::Host::SystemDefault);
    case SoundOutputChoice::Kind::Jack:
        return std::make_unique<PortAudioOutput>(clock, PortAudioOutput::Host::Jack);
    case SoundOutputChoice::Kind::WavFile:
        return std::make_unique<WavCaptureOutput>(choice.path, clock);
    case SoundOutputChoice::Kind::None:
        reason = QStringLiteral("The sidetone output is set to none");
        return nullptr;
    case SoundOutputChoice::Kind::Unknown:
        break;
    }
    reason = QStringLiteral("Unknown sidetone output \"") + setting + QStringLiteral("\"");
    return nullptr;
}

} // namespace tavrik
