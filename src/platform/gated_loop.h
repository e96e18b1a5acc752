#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tavrik {

// The audio-thread half of a looping output: the window thread opens and closes the gate,
// the audio callback renders. They share one atomic counter and nothing else, so the
// callback never waits and never allocates.
class GatedLoop {
public:
    explicit GatedLoop(std::vector<std::int16_t> table);

    // Window thread.
    void gateOn();
    void gateOff();
    bool isGateOpen() const;

    // Audio thread: `frames` samples of the table (looping) while the gate is open, of
    // silence otherwise. Every opening of the gate starts again at sample 0, even when the
    // gate closed and opened again between two calls.
    void render(std::int16_t* out, std::size_t frames) noexcept;

private:
    const std::vector<std::int16_t> table_;
    // Counts gate edges: odd while the gate is open.
    std::atomic<std::uint32_t> edges_{0};
    static_assert(std::atomic<std::uint32_t>::is_always_lock_free);
    // Audio thread only.
    std::uint32_t seenEdges_ = 0;
    std::size_t position_ = 0;
};

} // namespace tavrik
