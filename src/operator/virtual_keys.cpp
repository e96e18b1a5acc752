#include "operator/virtual_keys.h"

#include <QKeyEvent>

namespace tavrik {
namespace {

int VirtualKeyCode(int qtKey)
{
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return Vk::kF1 + (qtKey - Qt::Key_F1);
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return 'A' + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return '0' + (qtKey - Qt::Key_0);
    switch (qtKey) {
    case Qt::Key_Backspace: return Vk::kBackspace;
    case Qt::Key_Tab: case Qt::Key_Backtab: return Vk::kTab;
    case Qt::Key_Return: case Qt::Key_Enter: return Vk::kEnter;
    case Qt::Key_Escape: return Vk::kEscape;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return Vk::kPageUp;
    case Qt::Key_PageDown: return Vk::kPageDown;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return Vk::kInsert;
    case Qt::Key_Delete: return 46;
    case Qt::Key_Semicolon: case Qt::Key_Colon: return 186;
    case Qt::Key_Equal: case Qt::Key_Plus: return 187;
    case Qt::Key_Comma: case Qt::Key_Less: return 188;
    case Qt::Key_Minus: case Qt::Key_Underscore: return 189;
    case Qt::Key_Period: case Qt::Key_Greater: return 190;
    case Qt::Key_Slash: case Qt::Key_Question: return 191;
    case Qt::Key_QuoteLeft: case Qt::Key_AsciiTilde: return 192;
    case Qt::Key_BracketLeft: case Qt::Key_BraceLeft: return 219;
    case Qt::Key_Backslash: case Qt::Key_Bar: return 220;
    case Qt::Key_BracketRight: case Qt::Key_BraceRight: return 221;
    case Qt::Key_Apostrophe: case Qt::Key_QuoteDbl: return 222;
    default: return 0;
    }
}

} // namespace

VirtualKey VirtualKeyFromEvent(const QKeyEvent& event)
{
    VirtualKey key;
    key.keyCode = VirtualKeyCode(event.key());
    const Qt::KeyboardModifiers m = event.modifiers();
    if (m & Qt::ShiftModifier)
        key.shift |= ShiftMask::kShift;
    if (m & Qt::ControlModifier)
        key.shift |= ShiftMask::kCtrl;
    if (m & Qt::AltModifier)
        key.shift |= ShiftMask::kAlt;
    return key;
}

} // namespace tavrik
