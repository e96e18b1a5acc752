#include "platform/placed_tone_loop.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

namespace tavrik {
namespace {

// Counter at 22.05 MHz: exactly 1000 counts a sample, so expectations read in samples.
constexpr std::int64_t kPerSample = 1000;
constexpr std::int64_t kFrequency = 22050 * kPerSample;
constexpr std::int64_t kLatency = 300 * kPerSample;
constexpr std::int64_t kTolerance = 40 * kPerSample;
constexpr std::int64_t kStart = 5'000'000;

std::vector<std::int16_t> Ramp(std::size_t n)
{
    std::vector<std::int16_t> table(n);
    std::iota(table.begin(), table.end(), std::int16_t{1});
    return table;
}

PlacedToneLoop MakeLoop(std::size_t tableSize = 7)
{
    return PlacedToneLoop(Ramp(tableSize), {kFrequency, 22050, kLatency, kTolerance});
}

// Renders `total` samples in buffers of `frames`, the stream's estimate of each buffer's
// sound time off by `jitter(i)` samples.
template <typename Jitter>
std::vector<std::int16_t> Play(PlacedToneLoop& loop, std::size_t total, std::size_t frames, Jitter jitter)
{
    std::vector<std::int16_t> out(total, -1);
    for (std::size_t at = 0, i = 0; at < total; at += frames, ++i) {
        const std::size_t n = std::min(frames, total - at);
        loop.render(out.data() + at, n, kStart + static_cast<std::int64_t>(at) * kPerSample + jitter(i) * kPerSample);
    }
    return out;
}

TEST(PlacedToneLoop, EveryEdgeSoundsAtItsOwnSampleWhateverTheBufferSize)
{
    // Edges in samples after kStart: tones of 100, 51 and 1 samples, the second starting
    // half-way into a sample.
    struct Edge {
        double sample;
        bool on;
    };
    const Edge edges[] = {{10, true}, {110, false}, {150.5, true}, {201.5, false}, {700, true}, {701, false}};
    std::vector<std::int16_t> expected(1200, 0);
    const std::vector<std::int16_t> table = Ramp(7);
    for (std::size_t e = 0; e < std::size(edges); e += 2) {
        const auto from = static_cast<std::size_t>(std::llround(edges[e].sample + 300));
        const auto to = static_cast<std::size_t>(std::llround(edges[e + 1].sample + 300));
        for (std::size_t s = from; s < to; ++s)
            expected[s] = table[(s - from) % table.size()];
    }
    for (const std::size_t frames : {1, 64, 128, 441, 1024}) {
        SCOPED_TRACE(frames);
        PlacedToneLoop loop = MakeLoop();
        for (const Edge& e : edges) {
            const auto at = kStart + static_cast<std::int64_t>(e.sample * kPerSample);
            e.on ? loop.toneOn(at) : loop.toneOff(at);
        }
        // The estimate wanders by up to 30 samples; the tones must not.
        const auto jitter = [](std::size_t i) { return static_cast<std::int64_t>((i * 7 + 30) % 61) - 30; };
        EXPECT_EQ(Play(loop, expected.size(), frames, jitter), expected);
        EXPECT_EQ(loop.lateEdges(), 0U);
        EXPECT_EQ(loop.reanchors(), 0U);
    }
}

TEST(PlacedToneLoop, RepeatedSwitchesAreNoEdgesAndEveryToneStartsTheTableAgain)
{
    PlacedToneLoop loop = MakeLoop(4);
    loop.toneOn(kStart);
    loop.toneOn(kStart + 2 * kPerSample); // still the same tone
    loop.toneOff(kStart + 6 * kPerSample);
    loop.toneOff(kStart + 7 * kPerSample);
    loop.toneOn(kStart + 8 * kPerSample);
    const std::vector<std::int16_t> out = Play(loop, 311, 311, [](std::size_t) { return 0; });
    EXPECT_EQ(std::vector<std::int16_t>(out.begin() + 299, out.end()),
              (std::vector<std::int16_t>{0, 1, 2, 3, 4, 1, 2, 0, 0, 1, 2, 3}));
}

TEST(PlacedToneLoop, AnEdgeTooLateForItsSampleSoundsAtOnceAndIsCounted)
{
    PlacedToneLoop loop = MakeLoop();
    std::vector<std::int16_t> out(100, -1);
    loop.render(out.data(), 100, kStart);
    // Its sample (-300 + 10 + 300 = 10) has been played already.
    loop.toneOn(kStart - 290 * kPerSample);
    loop.render(out.data(), 100, kStart + 100 * kPerSample);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(loop.lateEdges(), 1U);
}

TEST(PlacedToneLoop, TheAnchorMovesOnlyForALastingStrayWhenNoToneSoundsOrWaits)
{
    PlacedToneLoop loop = MakeLoop();
    std::vector<std::int16_t> out(100);
    std::int64_t played = 0;
    const auto render = [&](std::int64_t straySamples) {
        loop.render(out.data(), 100, kStart + (played + straySamples) * kPerSample);
        played += 100;
    };
    render(0);
    loop.toneOn(kStart + 100 * kPerSample - kLatency); // sounds at sample 100
    // From here the stream says its buffers sound 50 samples later (an underrun, say):
    // the tone keeps its place while it sounds.
    for (int i = 0; i < PlacedToneLoop::kStraysToMove; ++i)
        render(50);
    EXPECT_EQ(out[0], 1 + (100 * (PlacedToneLoop::kStraysToMove - 1)) % 7);
    EXPECT_EQ(loop.reanchors(), 0U);
    loop.toneOff(kStart + played * kPerSample - kLatency);
    // Idle now: a single late callback is noise, a lasting stray moves the anchor, by the
    // least of the strays seen.
    render(0);
    render(200);
    render(0);
    EXPECT_EQ(loop.reanchors(), 0U);
    for (int i = 0; i < PlacedToneLoop::kStraysToMove; ++i)
        render(i == 3 ? 47 : 50);
    EXPECT_EQ(loop.reanchors(), 1U);
    // An edge meant to sound at an instant of the stream sounds there.
    loop.toneOn(kStart + (played + 47 + 30) * kPerSample - kLatency);
    render(47);
    EXPECT_EQ(out[29], 0);
    EXPECT_EQ(out[30], 1);
}

} // namespace
} // namespace tavrik
