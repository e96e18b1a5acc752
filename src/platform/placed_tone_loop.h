#pragma once

#include "platform/sample_clock.h"
#include "platform/tone_edge_ring.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tavrik {

// The audio side of the sidetone on a sound card. The window thread hands over each tone
// edge stamped on the counter; the callback renders every edge at the sample that sounds
// exactly `latency` counts after it, so tones keep their length however the sound system
// sizes its buffers. A tone plays the table from its first sample, looping.
//
// The callback tells, for each buffer, when its first sample will sound (on the counter).
// That estimate jitters by a millisecond or more on a sound server, so it only anchors the
// stream: from then on samples are counted, and the anchor moves only when the estimate
// strays beyond `tolerance` the same way for kStraysToMove buffers in a row (an underrun,
// clock drift) and no tone sounds or waits.
class PlacedToneLoop {
public:
    struct Timing {
        std::int64_t counterFrequency;
        std::int64_t sampleRate;
        std::int64_t latency;   // counts from an edge's stamp to its sound
        std::int64_t tolerance; // counts the anchor may stray before it is moved
    };

    static constexpr int kStraysToMove = 8;

    PlacedToneLoop(std::vector<std::int16_t> table, Timing timing);

    // Window thread. A second on (or off) in a row is no edge.
    void toneOn(std::int64_t at) { push({at, true}); }
    void toneOff(std::int64_t at) { push({at, false}); }

    // Audio thread: the next `frames` samples, the first of which sounds at `firstSampleAt`.
    void render(std::int16_t* out, std::size_t frames, std::int64_t firstSampleAt) noexcept;

    // Any thread.
    std::int64_t latency() const { return latency_; }
    // Edges whose sample had already been played when the callback saw them; each was
    // played at the start of the next buffer instead.
    std::uint32_t lateEdges() const { return lateEdges_.load(std::memory_order_relaxed); }
    std::uint32_t reanchors() const { return reanchors_.load(std::memory_order_relaxed); }
    // The callback has run and tied the stream's samples to the counter.
    bool anchored() const { return anchoredFlag_.load(std::memory_order_acquire); }
    // Buffers in a row, up to now, whose estimate agreed with the anchor: a stream that has
    // only begun to play may still move it.
    int steadyBuffers() const { return steadyBuffers_.load(std::memory_order_relaxed); }

private:
    void push(ToneEdge edge);
    void anchor(std::int64_t firstSampleAt) noexcept;
    void fill(std::int16_t* out, std::size_t frames) noexcept;
    static void bump(std::atomic<std::uint32_t>& counter) noexcept;

    const std::vector<std::int16_t> table_;
    const std::int64_t latency_;
    const std::int64_t tolerance_;
    ToneEdgeRing ring_;
    std::atomic<std::uint32_t> lateEdges_{0};
    std::atomic<std::uint32_t> reanchors_{0};
    std::atomic<bool> anchoredFlag_{false};
    std::atomic<int> steadyBuffers_{0};
    // Window thread only.
    bool lastPushedOn_ = false;
    // Audio thread only.
    SampleClock clock_;
    bool anchored_ = false;
    int strays_ = 0;                 // buffers in a row whose estimate strayed one way
    std::int64_t smallestStray_ = 0; // the least of those strays
    bool sounding_ = false;
    std::int64_t played_ = 0; // samples rendered so far
    std::size_t position_ = 0;
};

} // namespace tavrik
