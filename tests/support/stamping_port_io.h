#pragma once

#include "platform/clock.h"
#include "platform/parallel_port.h"

#include <cstdint>
#include <vector>

namespace tavrik::test {

// A parallel port whose key bit is stamped on a clock each time it flips, and whose PTT bit
// is followed: what the keyer puts on the pins, timed where it writes them.
class StampingPortIo final : public PortIo {
public:
    explicit StampingPortIo(Clock& clock) : clock_(clock) {}
    bool open(std::uint16_t base) override
    {
        control_ = static_cast<std::uint16_t>(base + 2);
        return true;
    }
    void setDevicePath(const QString&) override {}
    void close() override {}
    bool isOpen() const override { return true; }
    std::uint8_t inp(std::uint16_t) override { return register_; }
    void out(std::uint16_t address, std::uint8_t value) override
    {
        if (address != control_)
            return;
        if (((value ^ register_) & 0x08) != 0)
            keyEdges.push_back(clock_.counter());
        if (((value ^ register_) & 0x04) != 0)
            pttOn = (value & 0x04) != 0;
        register_ = value;
    }
    QString lastError() const override { return {}; }
    // Bit 3 starts set (key up) and is inverted on its way to the pin: the edges go down and
    // up in turn, on the clock's counter.
    std::vector<std::int64_t> keyEdges;
    bool pttOn = false;

private:
    Clock& clock_;
    std::uint16_t control_ = 0;
    std::uint8_t register_ = 0x0B;
};

} // namespace tavrik::test
