#pragma once

#include <cstdint>

namespace tavrik {

// Maps instants of the keyer's counter to samples of a stream whose sample 0 sounds at
// `origin`, and back. Both sound backends place tone edges with it, so a recording and the
// sound card put an edge at the same sample.
class SampleClock {
public:
    SampleClock(std::int64_t counterFrequency, std::int64_t sampleRate);

    void setOrigin(std::int64_t origin) { origin_ = origin; }
    std::int64_t origin() const { return origin_; }
    std::int64_t sampleRate() const { return rate_; }

    // The sample nearest to `counter`; negative before the origin.
    std::int64_t sampleAt(std::int64_t counter) const;
    // The counter instant at which `sample` sounds.
    std::int64_t counterAt(std::int64_t sample) const;
    // A length in counts as a length in samples, nearest.
    std::int64_t samplesIn(std::int64_t counts) const;
    std::int64_t countsIn(std::int64_t samples) const;

private:
    std::int64_t frequency_;
    std::int64_t rate_;
    std::int64_t origin_ = 0;
};

} // namespace tavrik
