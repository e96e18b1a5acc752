#include "keyer/sidetone_table.h"

#include "common/vb_numbers.h"
#include "platform/sound_output.h"

#include <cmath>
#include <numbers>

namespace tavrik {
namespace {
constexpr std::int64_t kPeriodsInTable = 1500;
constexpr double kFullScale = 32767;
} // namespace

std::vector<std::int16_t> SidetoneTable(double frequency)
{
    if (!std::isfinite(frequency))
        return {};
    const std::int64_t wholeHz = RoundHalfEven(frequency);
    if (wholeHz <= 0 || wholeHz > kSoundSampleRate)
        return {};
    const std::int64_t period = kSoundSampleRate / wholeHz;
    std::vector<std::int16_t> table(static_cast<std::size_t>(period * kPeriodsInTable));
    for (std::size_t i = 0; i < table.size(); ++i) {
        const double phase = 2 * std::numbers::pi * frequency * static_cast<double>(i) / kSoundSampleRate;
        table[i] = static_cast<std::int16_t>(RoundHalfEven(kFullScale * std::sin(phase)));
    }
    return table;
}

} // namespace tavrik
