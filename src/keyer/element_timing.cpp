#include "keyer/element_timing.h"

#include "common/vb_numbers.h"

#include <limits>

namespace tavrik {

std::int32_t DotMsFromWpm(std::int16_t wpm, const TimingRatios& r)
{
    constexpr std::int32_t kFloorMs = 24;
    const double units = (4 * r.dashLength + 19 + 4 * r.letterSpace + r.wordSpace) * wpm - r.wordSpace;
    if (units == 0)
        return kFloorMs;
    const std::int64_t dot = RoundHalfEven(60000.0 / units);
    if (dot < kFloorMs)
        return kFloorMs;
    if (dot > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(dot);
}

} // namespace tavrik
