#include "rig/rig_control_settings.h"

#include "settings/setting_table.h"
#include "settings/settings_file.h"

namespace tavrik {
namespace {

using R = RigControlSettings;
constexpr const char* kSection = "Rig Control";
constexpr Setting kHost{kSection, "Host", "127.0.0.1", &conversion::kNonEmptyText,
                        Field<R, QString>{[](const R& r) { return r.endpoint.host; },
                                          [](R& r, const QString& host) { r.endpoint.host = host; }}};
constexpr Setting kPort{kSection, "Port", "4532", &conversion::kPortNumber,
                        Field<R, std::uint16_t>{[](const R& r) { return r.endpoint.port; },
                                                [](R& r, const std::uint16_t& port) { r.endpoint.port = port; }}};
constexpr Setting kPtt{kSection, "PTT", "OFF", &conversion::kOnWhenOn, FieldOf<&R::ptt>};
constexpr std::tuple kRigControlSettings{kHost, kPort, kPtt};

} // namespace

RigControlSettings LoadRigControlSettings(const SettingsFile& file)
{
    RigControlSettings s;
    ReadRows(file, kRigControlSettings, s);
    return s;
}

void StoreRigControlSettings(const SettingsFile& file, const RigControlSettings& settings)
{
    for (const SettingWrite& value : StoredValues(kRigControlSettings, settings))
        file.WriteSetting(value.section, value.key, value.value);
}

} // namespace tavrik
