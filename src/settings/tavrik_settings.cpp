#include "settings/tavrik_settings.h"

namespace tavrik {

SidetoneOutput SidetoneOutput::Parse(const QString& text)
{
    const QString value = text.trimmed();
    const QLatin1String wavPrefix("wav:");
    SidetoneOutput output;
    if (value.compare(u"none", Qt::CaseInsensitive) == 0) {
        output.kind = Kind::None;
    } else if (value.startsWith(wavPrefix, Qt::CaseInsensitive)) {
        output.wavPath = value.mid(wavPrefix.size()).trimmed();
        // A recording with nowhere to go plays nowhere rather than on the speaker.
        output.kind = output.wavPath.isEmpty() ? Kind::None : Kind::WavFile;
    }
    return output;
}

} // namespace tavrik
