#pragma once

class QKeyEvent;

// Key handling speaks Windows virtual-key codes with the modifier mask 1 Shift, 2 Ctrl,
// 4 Alt, because stored settings ("Insert Key") and the logging program's key commands
// are written in them. Qt key events are translated once, here.
namespace tavrik {

namespace Vk {
constexpr int kBackspace = 8;
constexpr int kTab = 9;
constexpr int kLineFeed = 10;
constexpr int kEnter = 13;
constexpr int kEscape = 27;
constexpr int kPageUp = 33;
constexpr int kPageDown = 34;
constexpr int kInsert = 45;
constexpr int kF1 = 112;
constexpr int kF12 = 123;
constexpr int kLastAssignable = 147; // Ctrl+F12 as an "Insert Key" value
} // namespace Vk

namespace ShiftMask {
constexpr int kShift = 1;
constexpr int kCtrl = 2;
constexpr int kAlt = 4;
} // namespace ShiftMask

struct VirtualKey {
    int keyCode = 0; // 0 when the key has no virtual-key code
    int shift = 0;
};

VirtualKey VirtualKeyFromEvent(const QKeyEvent& event);

} // namespace tavrik
