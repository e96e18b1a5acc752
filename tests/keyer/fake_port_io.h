#pragma once

#include "platform/parallel_port.h"

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace tavrik::test {

// A parallel port's registers in memory, with every write remembered.
class FakePortIo final : public PortIo {
public:
    bool open(std::uint16_t baseAddress) override
    {
        ++opens;
        if (!openError.isEmpty()) {
            error = openError;
            return false;
        }
        base = baseAddress;
        isOpen_ = true;
        error.clear();
        return true;
    }
    void setDevicePath(const QString&) override {}
    void close() override
    {
        ++closes;
        isOpen_ = false;
    }
    bool isOpen() const override { return isOpen_; }
    std::uint8_t inp(std::uint16_t address) override
    {
        error = readError;
        return registers[address];
    }
    void out(std::uint16_t address, std::uint8_t value) override
    {
        error.clear();
        registers[address] = value;
        writes.emplace_back(address, value);
    }
    QString lastError() const override { return error; }

    std::map<std::uint16_t, std::uint8_t> registers;
    std::vector<std::pair<std::uint16_t, std::uint8_t>> writes;
    QString openError;
    QString readError;
    QString error;
    std::uint16_t base = 0;
    int opens = 0;
    int closes = 0;

private:
    bool isOpen_ = false;
};

} // namespace tavrik::test
