#include "netkeyer/network_keyer_settings.h"

#include "settings/settings_file.h"

namespace tavrik {
namespace {

const QString kSection = QStringLiteral("Network Keyer");

} // namespace

NetworkKeyerSettings LoadNetworkKeyerSettings(SettingsFile& file)
{
    const NetworkKeyerSettings defaults;
    NetworkKeyerSettings s;
    const QString previous = file.readSection();
    file.setReadSection(kSection);
    s.enabled = file.ReadSetting(QStringLiteral("Enabled"), QStringLiteral("OFF")) == u"ON";
    s.address = file.ReadSetting(QStringLiteral("Address"), defaults.address).trimmed();
    if (s.address.isEmpty())
        s.address = defaults.address;
    bool number = false;
    const int port = file.ReadSetting(QStringLiteral("Port"), QString::number(defaults.port)).toInt(&number);
    s.port = number && port >= 1 && port <= 65535 ? static_cast<std::uint16_t>(port) : defaults.port;
    file.setReadSection(previous);
    return s;
}

void StoreNetworkKeyerSettings(const SettingsFile& file, const NetworkKeyerSettings& settings)
{
    file.WriteSetting(kSection, QStringLiteral("Enabled"), settings.enabled ? QStringLiteral("ON") : QStringLiteral("OFF"));
    file.WriteSetting(kSection, QStringLiteral("Address"), settings.address);
    file.WriteSetting(kSection, QStringLiteral("Port"), QString::number(settings.port));
}

} // namespace tavrik
