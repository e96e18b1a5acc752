#include "winkey/winkey_bytes.h"

#include <algorithm>

namespace tavrik::winkey {
namespace {

std::int16_t Clamp(std::int16_t value, std::int16_t low, std::int16_t high)
{
    return std::clamp(value, low, high);
}

char Byte(int value)
{
    return static_cast<char>(static_cast<std::uint8_t>(value));
}

} // namespace

WinKeySettings ClampedToDialogRanges(WinKeySettings s)
{
    s.port = Clamp(s.port, 0, 8);
    s.wordSpace = Clamp(s.wordSpace, 0, 3);
    s.paddleOperation = Clamp(s.paddleOperation, 0, 2);
    s.pttLeadDelay = Clamp(s.pttLeadDelay, 0, 250);
    s.pttLagDelay = Clamp(s.pttLagDelay, 0, 250);
    s.speedMax = Clamp(s.speedMax, 5, 99);
    s.speedMin = Clamp(s.speedMin, 5, 99);
    s.speedFarnsworth = Clamp(s.speedFarnsworth, 5, 99);
    s.ditDahRatio = Clamp(s.ditDahRatio, 33, 66);
    s.ditDahWeight = Clamp(s.ditDahWeight, 10, 90);
    s.firstExtension = Clamp(s.firstExtension, 0, 250);
    s.compensation = Clamp(s.compensation, 0, 250);
    s.paddleSwitchpoint = Clamp(s.paddleSwitchpoint, 10, 90);
    s.speed = Clamp(s.speed, 5, 99);
    return s;
}

std::uint8_t ModeByte(const WinKeySettings& s)
{
    std::uint8_t mode = 0x04; // echo every character sent: the hand-over waits for it
    switch (s.keyMode) {
    case 0: mode |= 0x10; break; // Iambic A
    case 2: mode |= 0x20; break; // Ultimatic
    case 3: mode |= 0x30; break; // Bug
    default: break;              // Iambic B
    }
    if (s.switchPaddles)
        mode |= 0x08;
    if (s.autoSpace)
        mode |= 0x02;
    if (s.contestWordSpace)
        mode |= 0x01;
    return mode;
}

std::uint8_t SidetoneCode(int hz)
{
    constexpr int kTones[] = {3759, 1879, 1252, 940, 752, 625, 535, 469, 417, 375};
    const auto* found = std::find(std::begin(kTones), std::end(kTones), hz);
    return found == std::end(kTones) ? 5 : static_cast<std::uint8_t>(found - std::begin(kTones) + 1);
}

std::uint8_t PinConfiguration(const WinKeySettings& s)
{
    std::uint8_t pins = kPinConfigPin5;
    if (s.pin3) {
        pins = kPinConfigPin3;
        if (s.ptt)
            pins |= 0x01;
        if (s.sideTone)
            pins |= 0x02;
    }
    const WinKeySettings c = ClampedToDialogRanges(s);
    pins |= static_cast<std::uint8_t>(c.wordSpace << 4);
    if (c.paddleOperation == 1)
        pins |= 0x40;
    else if (c.paddleOperation == 2)
        pins |= 0x80;
    return pins;
}

QByteArray LoadDefaultsBlock(const WinKeySettings& settings)
{
    const WinKeySettings s = ClampedToDialogRanges(settings);
    // A maximum below the minimum leaves the pot no range rather than a wrapped one.
    const int potRange = std::clamp(s.speedMax - s.speedMin, 0, kLargestPotRange);
    QByteArray block;
    block += kLoadDefaults;
    block += Byte(ModeByte(s));
    block += Byte(s.speed);
    block += Byte(SidetoneCode(s.tone));
    block += Byte(s.ditDahWeight);
    block += Byte(s.pttLeadDelay);
    block += Byte(s.pttLagDelay);
    block += Byte(s.speedMin);
    block += Byte(potRange);
    block += Byte(s.firstExtension);
    block += Byte(s.compensation);
    block += Byte(s.speedFarnsworth);
    block += Byte(s.paddleSwitchpoint);
    block += Byte(s.ditDahRatio);
    block += Byte(PinConfiguration(s));
    block += Byte(0xFF);
    return block;
}

QByteArray RadioPinBytes(int activeRadio, const WinKeySettings& s)
{
    // The key pin changes; PTT, sidetone, hang time and Ultimatic priority stay as loaded,
    // or the radio would go on the air without its PTT.
    WinKeySettings asPin3 = s;
    asPin3.pin3 = true;
    const auto others = static_cast<std::uint8_t>(PinConfiguration(asPin3) & ~(kPinConfigPin3 | kPinConfigPin5));
    QByteArray bytes;
    const auto pin = [&bytes, others](std::uint8_t config) {
        bytes += kPinConfig;
        bytes += Byte(config | others);
    };
    if (activeRadio == 1) {
        if (s.radio1Pin3)
            pin(kPinConfigPin3);
        if (s.radio2Pin3)
            pin(kPinConfigPin5);
    } else if (activeRadio == 2) {
        if (s.radio1Pin3)
            pin(kPinConfigPin5);
        if (s.radio2Pin3)
            pin(kPinConfigPin3);
    }
    return bytes;
}

QByteArray SpeedCommand(char command, int wpm)
{
    // One byte on the wire: the keyer's own range.
    return QByteArray{} + command + Byte(std::clamp(wpm, 5, 99));
}

QString VersionText(std::uint8_t version)
{
    return QStringLiteral("WinKey %1.%2").arg(version / 10).arg(version % 10);
}

} // namespace tavrik::winkey
