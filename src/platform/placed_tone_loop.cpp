#include "platform/placed_tone_loop.h"

#include <algorithm>

namespace tavrik {

PlacedToneLoop::PlacedToneLoop(std::vector<std::int16_t> table, Timing timing)
    : table_(std::move(table)), latency_(timing.latency), tolerance_(timing.tolerance),
      clock_(timing.counterFrequency, timing.sampleRate)
{
}

void PlacedToneLoop::push(ToneEdge edge)
{
    if (edge.on == lastPushedOn_)
        return;
    // A full ring means the callback no longer runs: nothing would sound either way.
    if (ring_.push(edge))
        lastPushedOn_ = edge.on;
}

void PlacedToneLoop::bump(std::atomic<std::uint32_t>& counter) noexcept
{
    // Only the audio thread writes; others merely read.
    counter.store(counter.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}

void PlacedToneLoop::anchor(std::int64_t firstSampleAt) noexcept
{
    if (!anchored_) {
        clock_.setOrigin(firstSampleAt - clock_.countsIn(played_));
        anchored_ = true;
        anchoredFlag_.store(true, std::memory_order_release);
        return;
    }
    const std::int64_t stray = firstSampleAt - clock_.counterAt(played_);
    if (stray <= tolerance_ && stray >= -tolerance_) {
        strays_ = 0;
        steadyBuffers_.store(steadyBuffers_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
        return;
    }
    steadyBuffers_.store(0, std::memory_order_relaxed);
    // A callback that runs late says its buffer sounds late: one such estimate is noise.
    // Only a stray that holds, the same way, for several buffers is the stream's own.
    if (strays_ > 0 && (stray > 0) == (smallestStray_ > 0)) {
        if ((stray > 0 && stray < smallestStray_) || (stray < 0 && stray > smallestStray_))
            smallestStray_ = stray;
    } else {
        strays_ = 0;
        smallestStray_ = stray;
    }
    ++strays_;
    if (strays_ >= kStraysToMove && !sounding_ && ring_.empty()) {
        clock_.setOrigin(clock_.origin() + smallestStray_);
        strays_ = 0;
        bump(reanchors_);
    }
}

void PlacedToneLoop::fill(std::int16_t* out, std::size_t frames) noexcept
{
    if (!sounding_ || table_.empty()) {
        std::fill_n(out, frames, std::int16_t{0});
        return;
    }
    while (frames > 0) {
        const std::size_t run = std::min(frames, table_.size() - position_);
        std::copy_n(table_.data() + position_, run, out);
        out += run;
        frames -= run;
        position_ += run;
        if (position_ == table_.size())
            position_ = 0;
    }
}

void PlacedToneLoop::render(std::int16_t* out, std::size_t frames, std::int64_t firstSampleAt) noexcept
{
    anchor(firstSampleAt);
    const auto count = static_cast<std::int64_t>(frames);
    std::int64_t done = 0;
    while (done < count) {
        const ToneEdge* edge = ring_.front();
        std::int64_t until = count;
        if (edge != nullptr) {
            const std::int64_t at = clock_.sampleAt(edge->at + latency_) - played_;
            if (at < 0)
                bump(lateEdges_);
            until = std::clamp(at, done, count);
        }
        fill(out + done, static_cast<std::size_t>(until - done));
        done = until;
        if (edge == nullptr || done == count)
            break;
        sounding_ = edge->on;
        position_ = 0;
        ring_.pop();
    }
    played_ += count;
}

} // namespace tavrik
