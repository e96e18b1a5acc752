#include "settings/load_settings.h"

#include "settings/setting_table.h"

namespace tavrik {
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
