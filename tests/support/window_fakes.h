#pragma once

#include "operator/operator_dialogs.h"
#include "platform/parallel_port.h"
#include "platform/priority.h"
#include "platform/serial_line.h"

// What a window run by a test or a benchmark does without: a parallel port, modem lines,
// priority and boxes.
namespace tavrik::test {

class NoPortIo final : public PortIo {
public:
    bool open(std::uint16_t) override { return false; }
    void setDevicePath(const QString&) override {}
    void close() override {}
    bool isOpen() const override { return false; }
    std::uint8_t inp(std::uint16_t) override { return 0; }
    void out(std::uint16_t, std::uint8_t) override {}
    QString lastError() const override { return {}; }
};

class NoModemLines final : public ModemLines {
public:
    int change(int, unsigned, bool) override { return 0; }
};

class NoPriority final : public TimingPriority {
public:
    void raise() override {}
    void restore() override {}
    bool realtimeAvailable() const override { return false; }
};

// Every box is answered at once: messages dropped, colour and font dialogs cancelled.
class SilentDialogs final : public OperatorDialogs {
public:
    void showMessage(const DialogTitle&, const QString&, MessageIcon) override {}
    std::optional<Colour> chooseColour(Colour) override { return std::nullopt; }
    std::optional<FontChoice> chooseFont(const FontChoice&) override { return std::nullopt; }
};

} // namespace tavrik::test
