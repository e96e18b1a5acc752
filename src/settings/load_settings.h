#pragma once

#include "settings/settings_file.h"
#include "settings/tavrik_settings.h"

#include <functional>

namespace tavrik {

// Reads every row of the setting table in one pass: section "frmTavrik Settings", the 36
// macro slots (calling `afterEachMacroSlot` after each, so the window stays responsive),
// "WinKey Settings", then "Devices". A missing key takes its default, and so does a value
// that cannot be converted; the load always goes on to the next key. The current read section
// is "WinKey Settings" afterwards.
TavrikSettings LoadSettings(SettingsFile& file, const std::function<void()>& afterEachMacroSlot);

} // namespace tavrik
