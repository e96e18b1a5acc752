#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace tavrik {

// A tone switched on or off at an instant of the keyer's counter.
struct ToneEdge {
    std::int64_t at = 0;
    bool on = false;
};

// Edges from the window thread to the audio callback: one producer, one consumer, fixed
// size, no locks and no allocation, so the callback never waits.
class ToneEdgeRing {
public:
    // A transmission at 50 WPM makes about 40 edges a second; the callback drains the ring
    // every few milliseconds.
    static constexpr std::size_t kCapacity = 256;

    // Producer. False when full: the consumer has stopped.
    bool push(ToneEdge edge) noexcept
    {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) == kCapacity)
            return false;
        slots_[tail % kCapacity] = edge;
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

    // Consumer: the oldest edge, or null when none waits.
    const ToneEdge* front() const noexcept
    {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire))
            return nullptr;
        return &slots_[head % kCapacity];
    }

    // Consumer: drops the edge front() gave.
    void pop() noexcept { head_.store(head_.load(std::memory_order_relaxed) + 1, std::memory_order_release); }

    bool empty() const noexcept { return head_.load(std::memory_order_acquire) == tail_.load(std::memory_order_acquire); }

private:
    static_assert(std::atomic<std::size_t>::is_always_lock_free);
    std::array<ToneEdge, kCapacity> slots_{};
    alignas(64) std::atomic<std::size_t> head_{0};
    alignas(64) std::atomic<std::size_t> tail_{0};
};

} // namespace tavrik
