#include "netkeyer/network_keyer_settings.h"

#include "settings/setting_table.h"
#include "settings/settings_file.h"

namespace tavrik {
namespace {

using N = NetworkKeyerSettings;
constexpr const char* kSection = "Network Keyer";
constexpr Setting kEnabled{kSection, "Enabled", "OFF", &conversion::kOnWhenOn, FieldOf<&N::enabled>};
constexpr Setting kAddress{kSection, "Address", "127.0.0.1", &conversion::kNonEmptyText, FieldOf<&N::address>};
constexpr Setting kPort{kSection, "Port", "6789", &conversion::kPortNumber, FieldOf<&N::port>};
constexpr std::tuple kNetworkKeyerSettings{kEnabled, kAddress, kPort};

} // namespace

NetworkKeyerSettings LoadNetworkKeyerSettings(const SettingsFile& file)
{
    NetworkKeyerSettings s;
    ReadRows(file, kNetworkKeyerSettings, s);
    return s;
}

void StoreNetworkKeyerSettings(const SettingsFile& file, const NetworkKeyerSettings& settings)
{
    for (const SettingWrite& value : StoredValues(kNetworkKeyerSettings, settings))
        file.WriteSetting(value.section, value.key, value.value);
}

} // namespace tavrik
