#pragma once

#include <cstdint>

namespace tavrik {

// Lengths in dots of the dash and of the two silences between characters and words.
struct TimingRatios {
    double dashLength = 3;
    double letterSpace = 3;
    double wordSpace = 7;
};

// The dot length in whole milliseconds that makes `wpm` words "PARIS" take one minute.
// Never below 24 ms, which caps the speed near 50 WPM and covers zero or negative speeds.
std::int32_t DotMsFromWpm(std::int16_t wpm, const TimingRatios& ratios);

} // namespace tavrik
