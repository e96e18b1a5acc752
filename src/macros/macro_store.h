#pragma once

#include "settings/setting_table.h"
#include "settings/tavrik_settings.h"

#include <QString>

#include <array>
#include <utility>
#include <vector>

namespace tavrik {

// The 36 macros and the look of their buttons. Index n is button n; index 0 is the macro
// editor's working copy and belongs to no button.
class MacroStore {
public:
    static constexpr int kButtons = kMacroSlots;

    // Throws std::out_of_range outside 0 to 36.
    MacroSlot& slot(int index);
    const MacroSlot& slot(int index) const;
    // The twelve appearance values of `source` into `dest`; text and caption stay.
    void copyAppearance(int dest, int source);

private:
    std::array<MacroSlot, kMacroSlots + 1> slots_{};
};

// The one-line form a macro is stored in: every line break becomes "~".
QString StoredMacroText(const QString& typed);
// A stored macro as the editor shows it and the keyer sends it: every "~" is a line break
// again, since "~" cannot be typed into the editor and only ever stands for one.
QString LoadedMacroText(const QString& stored);
// What OK makes of the typed caption: "Chr$(n)" anywhere before a ")" gives the character n
// (0 to 255; any other number leaves the caption as typed), and an empty caption one blank.
QString ButtonCaptionFrom(const QString& typed);
// "Macro Setup for F3", "Macro Setup for ALT F2", "Macro Setup for CTRL F6".
QString MacroSetupCaption(int index);
// The refusal of a macro `length` characters long in its stored form.
QString TooVerboseText(qsizetype length);
// The fourteen keys the editor's OK writes for slot `index`, in their order, with their values:
// the stored text, the caption, then the look of `look`.
std::vector<SettingWrite> MacroSlotWrites(int index, const QString& storedText, const QString& caption,
                                         const MacroSlot& look);

} // namespace tavrik
