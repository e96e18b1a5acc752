#pragma once

#include <QString>

#include <cstdint>

namespace tavrik {

class SettingsFile;

// Section "Network Keyer" of TAVRIK.INI.
struct NetworkKeyerSettings {
    bool enabled = false;
    QString address = QStringLiteral("127.0.0.1");
    std::uint16_t port = 6789;
};

// "Enabled" only when exactly "ON"; an empty address is loopback; a port that is no number
// from 1 to 65535 is taken as 6789.
NetworkKeyerSettings LoadNetworkKeyerSettings(const SettingsFile& file);
void StoreNetworkKeyerSettings(const SettingsFile& file, const NetworkKeyerSettings& settings);

} // namespace tavrik
