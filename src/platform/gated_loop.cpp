#include "platform/gated_loop.h"

#include <algorithm>

namespace tavrik {

GatedLoop::GatedLoop(std::vector<std::int16_t> table) : table_(std::move(table)) {}

void GatedLoop::gateOn()
{
    // Only the window thread writes the counter, so load and store need no read-modify-write.
    const std::uint32_t edges = edges_.load(std::memory_order_relaxed);
    if ((edges & 1U) == 0)
        edges_.store(edges + 1, std::memory_order_release);
}

void GatedLoop::gateOff()
{
    const std::uint32_t edges = edges_.load(std::memory_order_relaxed);
    if ((edges & 1U) != 0)
        edges_.store(edges + 1, std::memory_order_release);
}

bool GatedLoop::isGateOpen() const
{
    return (edges_.load(std::memory_order_relaxed) & 1U) != 0;
}

void GatedLoop::render(std::int16_t* out, std::size_t frames) noexcept
{
    const std::uint32_t edges = edges_.load(std::memory_order_acquire);
    if (edges != seenEdges_) {
        seenEdges_ = edges;
        position_ = 0;
    }
    if ((edges & 1U) == 0 || table_.empty()) {
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

} // namespace tavrik
