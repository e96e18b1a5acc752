#pragma once

#include "keyer/keyer_ports.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace tavrik {

class PortIo;
class SerialLine;

// Line requests to the logging program, which holds the radio's serial port. Each returns
// once the logging program has handled it, or once the link gave up waiting.
class SharedSerialRequests {
public:
    virtual ~SharedSerialRequests() = default;
    virtual void sendRequest(int code) = 0;
};

// "Comm1" to "Comm8" are ports 1 to 8; any other name is port 0, which no port answers to.
int PortNumberForName(const QString& name);

// What the typing box shows for a port that could not be set up.
QString PortErrorText(const QString& description);

// The serial line's pending error as typing-box text, and the error cleared; empty when none.
std::optional<QString> TakePortErrorText(SerialLine& line);

struct KeyerPortSettings {
    bool portIsParallel = true;
    // When both this and portIsParallel are clear, the dedicated serial port keys.
    bool portIsSharedSerial = false;
    std::int32_t parallelPortAddress = 0x378;
    QString dedicatedSerialPort;
};

// The key and PTT lines of the software keyer on the chosen port: bits 3 and 2 of a parallel
// port's control register, DTR and RTS of a serial port of our own, or the lines of the
// logging program's radio port through requests. The lamps are the window's business.
class KeyerPort final : public KeyLines {
public:
    // Bits 0, 1 and 3 are inverted by the port hardware, so this drives every control pin low.
    static constexpr std::uint8_t kParallelIdle = 0x0B;

    KeyerPort(PortIo& parallel, SerialLine& serial, SharedSerialRequests& shared);

    KeyerPortSettings& settings() { return settings_; }
    const KeyerPortSettings& settings() const { return settings_; }

    // Sets the port up again from the settings, closing the dedicated serial port first. A
    // failing step does not stop the rest. Returns the typing-box text when the port could
    // not be set up; the error is cleared by then.
    std::optional<QString> initKeyerPort();
    // Both lines inactive on the parallel port. In the serial modes a parallel port used
    // earlier in this run is left idle and released; otherwise no port is touched.
    void resetParallelLines();

    void keyDown() override;
    void keyUp() override;
    void pttOn() override;
    void pttOff() override;

    std::int32_t parallelControlPort() const { return parallelControlPort_; }
    std::uint8_t keyMask() const { return keyMask_; }
    std::uint8_t pttMask() const { return pttMask_; }
    int sharedPortNumber() const { return sharedPortNumber_; }
    // A parallel port was reached in this run and is held.
    bool parallelPortHeld() const { return parallelHeld_; }

private:
    enum class Mode { Parallel, DedicatedSerial, SharedSerial };
    Mode mode() const;
    std::optional<QString> setUpParallel();
    std::optional<QString> setUpDedicatedSerial(int portNumber);
    void flipParallel(std::uint8_t mask);
    void releaseParallel();

    PortIo& parallel_;
    SerialLine& serial_;
    SharedSerialRequests& shared_;
    KeyerPortSettings settings_;
    std::int32_t parallelControlPort_ = 0;
    std::int32_t heldBase_ = -1;
    std::uint8_t keyMask_ = 8;
    std::uint8_t pttMask_ = 4;
    int sharedPortNumber_ = 0;
    bool parallelHeld_ = false;
};

} // namespace tavrik
