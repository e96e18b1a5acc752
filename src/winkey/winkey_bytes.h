#pragma once

#include "settings/tavrik_settings.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// The WinKey's host protocol as bytes: what goes out for the settings, and what the bytes
// that come back are.
namespace tavrik::winkey {

constexpr char kAdmin = 0x00;
constexpr char kAdminCalibrate = 0x00;
constexpr char kAdminHostOpen = 0x02;
constexpr char kAdminHostClose = 0x03;
constexpr char kSetSpeed = 0x02;
constexpr char kGetSpeedPot = 0x07;
constexpr char kPinConfig = 0x09;
constexpr char kClearBuffer = 0x0A;
constexpr char kKeyImmediate = 0x0B;
constexpr char kPaddleMemoryOff = 0x0C;
constexpr char kLoadDefaults = 0x0F;
constexpr char kMerge = 0x1B;
constexpr char kBufferedSpeed = 0x1C;
constexpr char kUnechoedBar = 0x7C; // "|": the keyer sends it without an echo

constexpr std::uint8_t kPinConfigPin3 = 0x04;
constexpr std::uint8_t kPinConfigPin5 = 0x08;
constexpr std::uint8_t kStatusBreakIn = 0x02;
// The keyer's own limit for the pot's span, max minus min.
constexpr int kLargestPotRange = 31;

// The ranges the configuration dialog keeps; a hand-edited TAVRIK.INI may hold anything.
WinKeySettings ClampedToDialogRanges(WinKeySettings settings);

std::uint8_t ModeByte(const WinKeySettings& settings);
std::uint8_t SidetoneCode(int hz);
std::uint8_t PinConfiguration(const WinKeySettings& settings);
// 0F, fourteen parameters, FF.
QByteArray LoadDefaultsBlock(const WinKeySettings& settings);
// The two-radio key-pin choice for the radio; empty when it sets nothing.
QByteArray RadioPinBytes(int activeRadio, const WinKeySettings& settings);
QByteArray SpeedCommand(char command, int wpm);

// The keyer family answers the host open with its firmware revision: 10 for the first,
// 20 to 23, 30 and up for the later ones. Anything else is no WinKey.
constexpr bool IsKeyerVersion(std::uint8_t b)
{
    return b >= 10 && b <= 39;
}
// "WinKey 2.3" for revision 23.
QString VersionText(std::uint8_t version);

enum class ByteKind { Echo, SpeedPot, Status };
constexpr ByteKind Classify(std::uint8_t b)
{
    return b < 0x80 ? ByteKind::Echo : b < 0xC0 ? ByteKind::SpeedPot : ByteKind::Status;
}

// A blank, or the double quote to "]": digits and capitals, what the keyer knows.
constexpr bool IsSendable(char16_t code)
{
    return code == 32 || (code >= 34 && code <= 93);
}

} // namespace tavrik::winkey
