#include "operator/key_router.h"

#include "keyer/software_keyer.h"
#include "operator/macro_buttons.h"
#include "operator/transmit_control.h"
#include "operator/typing_box.h"
#include "operator/virtual_keys.h"

namespace tavrik {
namespace {

// An Insert key assigned to an Alt or Ctrl F-key arrives as these codes.
void UnfoldAssignedCode(int& keyCode, int& shift)
{
    if (keyCode >= 124 && keyCode <= 135) {
        keyCode -= 12;
        shift = ShiftMask::kAlt;
    } else if (keyCode >= 136 && keyCode <= Vk::kLastAssignable) {
        keyCode -= 24;
        shift = ShiftMask::kCtrl;
    }
}

} // namespace

KeyRouter::KeyRouter(TransmitControl& transmit, MacroButtons& buttons, TypingBox& box, FieldFocus& focus)
    : transmit_(transmit), buttons_(buttons), box_(box), focus_(focus)
{
}

bool KeyRouter::macroKey(int& keyCode, int& shift)
{
    if (shift == ShiftMask::kAlt && keyCode >= 33) {
        if (const int index = buttons_.accessLetterButton(keyCode)) {
            keyCode = 0;
            buttons_.press(index);
            return true;
        }
    }
    if (keyCode >= Vk::kF1 && keyCode <= Vk::kLastAssignable) {
        UnfoldAssignedCode(keyCode, shift);
        buttons_.functionKeyToButton(keyCode, shift);
        keyCode = 0;
        return true;
    }
    return false;
}

void KeyRouter::typingBoxKeyDown(int& keyCode, int& shift)
{
    if (keyCode == Vk::kEnter || keyCode == Vk::kLineFeed) {
        keyCode = 0;
    } else if (keyCode == Vk::kEscape) {
        transmit_.cancelLoop();
        transmit_.abort();
        keyCode = 0;
        return;
    } else if (keyCode == Vk::kPageUp || keyCode == Vk::kPageDown) {
        focus_.focusField(ContactField::Callsign);
        keyCode = 0;
        return;
    } else {
        if (keyCode == Vk::kInsert)
            keyCode = insertKeyCode_;
        macroKey(keyCode, shift);
    }
    // The next typed character takes the colour of unsent text.
    box_.setTypingColour(transmit_.unsentColour());
}

void KeyRouter::typingBoxKeyPress(int& keyAscii)
{
    transmit_.cancelLoop();
    const auto prosign = [&](const char* sign) {
        keyAscii = 0;
        transmit_.appendToTypingBox(QString::fromLatin1(sign));
    };
    switch (keyAscii) {
    case Vk::kEnter:
    case Vk::kLineFeed:
        keyAscii = 0;
        return;
    case Vk::kBackspace:
        keyAscii = 0;
        box_.removeLastChar();
        return;
    default:
        break;
    }
    if (!winKeySelected_) {
        switch (keyAscii) {
        case '=': prosign("B^T"); return;
        case '+': prosign("A^R"); return;
        case '&': prosign("A^S"); return;
        case '!': prosign("S^N"); return;
        default: break;
        }
    }
    box_.moveCaretToEnd();
    keyAscii = QChar(static_cast<char16_t>(keyAscii)).toUpper().unicode();
}

void KeyRouter::fieldKeyDown(ContactField field, int& keyCode, int& shift)
{
    if (keyCode == Vk::kTab) {
        keyCode = 0;
        switch (field) {
        case ContactField::Callsign:
            focus_.focusField(focus_.srxFieldShown() ? ContactField::Srx : ContactField::Name);
            break;
        case ContactField::Srx: focus_.focusField(ContactField::Name); break;
        case ContactField::Name: focus_.focusField(ContactField::Callsign); break;
        }
        return;
    }
    if (keyCode == Vk::kEscape) {
        keyCode = 0;
        transmit_.abort();
        return;
    }
    if (keyCode == Vk::kInsert)
        keyCode = insertKeyCode_;
    if (keyCode == Vk::kPageUp || keyCode == Vk::kPageDown) {
        keyCode = 0;
        focus_.focusTypingBox();
        return;
    }
    macroKey(keyCode, shift);
}

void KeyRouter::fieldKeyPress(ContactField field, int& keyAscii)
{
    if (field == ContactField::Srx)
        return;
    transmit_.cancelLoop();
    if (keyAscii == Vk::kEnter || keyAscii == Vk::kLineFeed) {
        keyAscii = 0;
        return;
    }
    if (field == ContactField::Callsign)
        keyAscii = QChar(static_cast<char16_t>(keyAscii)).toUpper().unicode();
}

} // namespace tavrik
