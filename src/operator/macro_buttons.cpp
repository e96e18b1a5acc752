#include "operator/macro_buttons.h"

#include "operator/transmit_control.h"
#include "operator/virtual_keys.h"

namespace tavrik {

MacroButtons::MacroButtons(TransmitControl& transmit, const ButtonMacros& macros, ActiveBoxFocus& focus)
    : transmit_(transmit), macros_(macros), focus_(focus)
{
}

void MacroButtons::press(int index)
{
    transmit_.cancelLoop();
    transmit_.setLoopButtonIndex(index);
    if (!transmit_.loopFocusLatch())
        focus_.focusActiveTextBoxAtEnd();
    if (!transmit_.loopTimerEnabled())
        transmit_.setLoopFocusLatch(true);
    if (index >= 1 && index <= kButtonCount)
        transmit_.appendToTypingBox(macros_.macroText(index));
}

void MacroButtons::functionKeyToButton(int& keyCode, int& shift)
{
    if (keyCode < Vk::kF1 || keyCode > Vk::kF12)
        return;
    const int n = keyCode - Vk::kF1 + 1;
    keyCode = 0;
    switch (shift) {
    case 0: press(n); break;
    case ShiftMask::kAlt: press(n + 12); break;
    case ShiftMask::kCtrl: press(n + 24); break;
    default: break;
    }
}

int MacroButtons::accessLetterButton(int keyCode) const
{
    const QString wanted = QStringLiteral("&") + QString(QChar(keyCode)).toUpper();
    for (int index = 1; index <= kButtonCount; ++index) {
        if (macros_.macroCaption(index).toUpper().contains(wanted))
            return index;
    }
    return 0;
}

} // namespace tavrik
