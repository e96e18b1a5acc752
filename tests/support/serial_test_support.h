#pragma once

#include "platform/serial_line.h"

#include <QCoreApplication>

#include <string>
#include <vector>

namespace tavrik::test {

// QSerialPort delivers its notifications through an event loop.
inline void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "serial_tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

// DTR and RTS as the hardware would see them, with every change in order.
class RecordingModemLines final : public ModemLines {
public:
    int change(int, unsigned lines, bool raise) override
    {
        std::string entry = raise ? "raise" : "drop";
        if (lines & kDtr)
            entry += " dtr";
        if (lines & kRts)
            entry += " rts";
        calls.push_back(entry);
        return failWith;
    }
    std::vector<std::string> calls;
    int failWith = 0;
};

} // namespace tavrik::test
