#include "settings/load_settings.h"

#include "settings/setting_table.h"

namespace tavrik {
namespace {

// Reads the rows of `table` into `record`. A value that cannot be converted falls back to the
// key's default, which always can.
template <typename Record, typename... Rows>
void ReadRows(const SettingsFile& file, const std::tuple<Rows...>& table, Record& record, int slot = 0)
{
    const auto read = [&](const auto& row) {
        if (!row.defaultText)
            return;
        const QString defaultText = QString::fromLatin1(row.defaultText);
        const QString text = file.ReadSetting(QString::fromLatin1(row.section), KeyOf(row, slot), defaultText,
                                              row.longest);
        const auto value = row.conversion->read(text);
        row.field.set(record, value ? *value : row.conversion->read(defaultText).value());
    };
    std::apply([&](const auto&... row) { (read(row), ...); }, table);
}

} // namespace

TavrikSettings LoadSettings(SettingsFile& file, const std::function<void()>& afterEachMacroSlot)
{
    TavrikSettings settings;
    ReadRows(file, setting::kMainSettings, settings);
    for (int number = 1; number <= kMacroSlots; ++number) {
        MacroSlot& slot = settings.macros[static_cast<std::size_t>(number)];
        ReadRows(file, setting::kMacroSlotSettings, slot, number);
        slot.mouseOverFontName = slot.fontName;
        if (afterEachMacroSlot)
            afterEachMacroSlot();
    }
    ReadRows(file, setting::kWinKeySettings, settings.winKey);
    ReadRows(file, setting::kDeviceSettings, settings.devices);
    for (int n = 1; n <= static_cast<int>(settings.devices.commPorts.size()); ++n) {
        settings.devices.commPorts[static_cast<std::size_t>(n - 1)] =
            file.ReadSetting(QString::fromLatin1(setting::kDevicesSection), CommPortKey(n), CommPortDefault(n),
                             IniFile::kLongestValue);
    }
    // Readers after the load expect the section the WinKey keys left behind.
    file.setReadSection(QString::fromLatin1(setting::kWinKeySection));
    return settings;
}

} // namespace tavrik
