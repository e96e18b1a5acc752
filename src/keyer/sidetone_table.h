#pragma once

#include <cstdint>
#include <vector>

namespace tavrik {

// The sidetone's looping table at 22050 samples a second: 1500 periods of the pitch rounded
// to whole hertz (period = 22050 / rounded pitch, integer division), each sample
// 32767 × sin(2π × frequency × i / 22050) rounded halves to even, with the unrounded pitch.
// The table need not hold whole cycles; the phase may jump where it wraps.
//
// A pitch that rounds to 0 or below, exceeds 22050 Hz or is not a number gives an empty
// table: such a tone cannot be played, and the output then stays silent.
std::vector<std::int16_t> SidetoneTable(double frequency);

} // namespace tavrik
