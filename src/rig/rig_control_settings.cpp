#include "rig/rig_control_settings.h"

#include "settings/settings_file.h"

namespace tavrik {
namespace {

const QString kSection = QStringLiteral("Rig Control");
constexpr std::uint16_t kDefaultPort = 4532;

} // namespace

RigControlSettings LoadRigControlSettings(SettingsFile& file)
{
    RigControlSettings s;
    const QString previous = file.readSection();
    file.setReadSection(kSection);
    s.endpoint.host = file.ReadSetting(QStringLiteral("Host"), QStringLiteral("127.0.0.1"));
    if (s.endpoint.host.isEmpty())
        s.endpoint.host = QStringLiteral("127.0.0.1");
    bool number = false;
    const int port = file.ReadSetting(QStringLiteral("Port"), QString::number(kDefaultPort)).toInt(&number);
    s.endpoint.port = number && port >= 1 && port <= 65535 ? static_cast<std::uint16_t>(port) : kDefaultPort;
    s.ptt = file.ReadSetting(QStringLiteral("PTT"), QStringLiteral("OFF")) == u"ON";
    file.setReadSection(previous);
    return s;
}

void StoreRigControlSettings(const SettingsFile& file, const RigControlSettings& settings)
{
    file.WriteSetting(kSection, QStringLiteral("Host"), settings.endpoint.host);
    file.WriteSetting(kSection, QStringLiteral("Port"), QString::number(settings.endpoint.port));
    file.WriteSetting(kSection, QStringLiteral("PTT"), settings.ptt ? QStringLiteral("ON") : QStringLiteral("OFF"));
}

} // namespace tavrik
