#include "platform/sample_clock.h"

namespace tavrik {
namespace {

// a * b / c rounded to the nearest, halves away from zero, without overflowing on a long
// run: whole units of c and the rest are scaled apart.
std::int64_t ScaleNearest(std::int64_t a, std::int64_t b, std::int64_t c)
{
    const bool negative = a < 0;
    const std::int64_t magnitude = negative ? -a : a;
    const std::int64_t scaled = magnitude / c * b + (magnitude % c * b + c / 2) / c;
    return negative ? -scaled : scaled;
}

} // namespace

SampleClock::SampleClock(std::int64_t counterFrequency, std::int64_t sampleRate)
    : frequency_(counterFrequency), rate_(sampleRate)
{
}

std::int64_t SampleClock::sampleAt(std::int64_t counter) const
{
    return samplesIn(counter - origin_);
}

std::int64_t SampleClock::counterAt(std::int64_t sample) const
{
    return origin_ + countsIn(sample);
}

std::int64_t SampleClock::samplesIn(std::int64_t counts) const
{
    return ScaleNearest(counts, rate_, frequency_);
}

std::int64_t SampleClock::countsIn(std::int64_t samples) const
{
    return ScaleNearest(samples, frequency_, rate_);
}

} // namespace tavrik
