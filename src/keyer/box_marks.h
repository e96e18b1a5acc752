#pragma once

#include <QChar>

#include <cstdint>
#include <optional>

namespace tavrik {

class TransmitQueue;

// Marks in the typing box that the keyers act on at their place and take out of the box.
// "{25}" goes on at 25 WPM and keeps that speed as the operator's; "~" stretches the gap
// after the character that follows it by half a letter space.
inline constexpr char16_t kHalfSpaceMark = u'~';
inline constexpr char16_t kSpeedMarkOpen = u'{';
inline constexpr char16_t kSpeedMarkClose = u'}';
// Wider than any keyer goes: a mark beyond it is no mark.
inline constexpr int kLongestSpeedMark = 5; // "{999}"

struct SpeedMark {
    std::int16_t wpm;
    int length; // box positions it takes
};

// The speed mark starting at the 1-based `position`, if one does.
std::optional<SpeedMark> SpeedMarkAt(const TransmitQueue& box, int position);

} // namespace tavrik
