#pragma once

#include <QChar>

#include <algorithm>
#include <cstdint>

namespace tavrik {

// What the typing box holds beside the text to send: speed changes at their place, and the
// join that runs two letters together as one sign. Macros write them; the keyers consume
// them as they reach them.
inline constexpr char16_t kSpeedUpMarker = 0x00BB;   // », 2 WPM faster from here on
inline constexpr char16_t kSpeedDownMarker = 0x00AB; // «, 2 WPM slower
inline constexpr char16_t kJoinMarker = u'^';
inline constexpr int kMarkerSpeedStep = 2;

inline bool IsSpeedMarker(QChar c)
{
    return c == QChar(kSpeedUpMarker) || c == QChar(kSpeedDownMarker);
}

// The speeds a keyer can send at.
struct SpeedRange {
    int slowest;
    int fastest;
};

// The speed after one speed marker: a step up or down, held inside the keyer's range, so no
// run of markers gives a speed the keyer cannot send or show.
inline std::int16_t SpeedAfterMarker(QChar marker, std::int16_t wpm, SpeedRange range)
{
    const int step = marker == QChar(kSpeedUpMarker) ? kMarkerSpeedStep : -kMarkerSpeedStep;
    return static_cast<std::int16_t>(std::clamp(wpm + step, range.slowest, range.fastest));
}

} // namespace tavrik
