#include "keyer/keyer_port.h"

#include "common/link_codes.h"
#include "platform/parallel_port.h"
#include "platform/serial_line.h"

namespace tavrik {

namespace {

constexpr std::int32_t kControlOffset = 2;
constexpr std::int32_t kLastIoAddress = 0xFFFF;

} // namespace

int PortNumberForName(const QString& name)
{
    for (int n = 1; n <= 8; ++n) {
        if (name == QStringLiteral("Comm%1").arg(n))
            return n;
    }
    return 0;
}

QString PortErrorText(const QString& description)
{
    return QStringLiteral("CW Port error : ") + description;
}

std::optional<QString> TakePortErrorText(SerialLine& line)
{
    if (line.lastError().isEmpty())
        return std::nullopt;
    QString text = PortErrorText(line.lastError());
    line.clearError();
    return text;
}

KeyerPort::KeyerPort(PortIo& parallel, SerialLine& serial, SharedSerialRequests& shared)
    : parallel_(parallel), serial_(serial), shared_(shared)
{
}

KeyerPort::Mode KeyerPort::mode() const
{
    if (settings_.portIsParallel)
        return Mode::Parallel;
    return settings_.portIsSharedSerial ? Mode::SharedSerial : Mode::DedicatedSerial;
}

std::optional<QString> KeyerPort::initKeyerPort()
{
    if (serial_.portOpen())
        serial_.setPortOpen(false);

    std::optional<QString> error;
    switch (mode()) {
    case Mode::Parallel:
        error = setUpParallel();
        break;
    case Mode::DedicatedSerial:
        error = setUpDedicatedSerial(PortNumberForName(settings_.dedicatedSerialPort));
        break;
    case Mode::SharedSerial:
        sharedPortNumber_ = PortNumberForName(settings_.dedicatedSerialPort);
        break;
    }
    resetParallelLines();
    return error;
}

std::optional<QString> KeyerPort::setUpParallel()
{
    const std::int32_t base = settings_.parallelPortAddress;
    keyMask_ = 8;
    pttMask_ = 4;
    if (base < 0 || base > kLastIoAddress - kControlOffset) {
        releaseParallel();
        return PortErrorText(QStringLiteral("parallel port address &H%1 is outside the I/O port range")
                                 .arg(QString::number(base, 16).toUpper()));
    }
    if (parallelHeld_ && heldBase_ == base)
        return std::nullopt;
    releaseParallel();
    parallelControlPort_ = base + kControlOffset;
    if (!parallel_.open(static_cast<std::uint16_t>(base)))
        return PortErrorText(parallel_.lastError());
    parallelHeld_ = true;
    heldBase_ = base;
    return std::nullopt;
}

std::optional<QString> KeyerPort::setUpDedicatedSerial(int portNumber)
{
    serial_.clearError();
    serial_.setPortNumber(portNumber);
    serial_.setDtr(false);
    serial_.setRts(false);
    serial_.setPortOpen(true);
    return TakePortErrorText(serial_);
}

void KeyerPort::releaseParallel()
{
    if (!parallelHeld_)
        return;
    parallel_.close();
    parallelHeld_ = false;
    heldBase_ = -1;
}

void KeyerPort::resetParallelLines()
{
    if (!parallelHeld_)
        return;
    const auto control = static_cast<std::uint16_t>(parallelControlPort_);
    parallel_.out(control, kParallelIdle);
    // A port left behind by a change to a serial mode must not keep a transmitter keyed.
    if (mode() != Mode::Parallel)
        releaseParallel();
}

void KeyerPort::flipParallel(std::uint8_t mask)
{
    if (!parallelHeld_)
        return;
    const auto control = static_cast<std::uint16_t>(parallelControlPort_);
    const std::uint8_t value = parallel_.inp(control);
    // Writing back a failed read would set lines nobody asked for.
    if (!parallel_.lastError().isEmpty())
        return;
    parallel_.out(control, static_cast<std::uint8_t>(value ^ mask));
}

void KeyerPort::keyDown()
{
    switch (mode()) {
    case Mode::Parallel:
        flipParallel(keyMask_);
        break;
    case Mode::SharedSerial:
        shared_.sendRequest(LinkCode::kSharedKeyDown + sharedPortNumber_);
        break;
    case Mode::DedicatedSerial:
        serial_.setDtr(!serial_.dtr());
        break;
    }
}

void KeyerPort::keyUp()
{
    switch (mode()) {
    case Mode::Parallel:
        flipParallel(keyMask_);
        break;
    case Mode::SharedSerial:
        shared_.sendRequest(LinkCode::kSharedKeyUp + sharedPortNumber_);
        break;
    case Mode::DedicatedSerial:
        serial_.setDtr(!serial_.dtr());
        break;
    }
}

void KeyerPort::pttOn()
{
    switch (mode()) {
    case Mode::Parallel:
        flipParallel(pttMask_);
        break;
    case Mode::SharedSerial:
        shared_.sendRequest(LinkCode::kSharedPttOn + sharedPortNumber_);
        break;
    case Mode::DedicatedSerial:
        serial_.setRts(true);
        break;
    }
}

void KeyerPort::pttOff()
{
    switch (mode()) {
    case Mode::Parallel:
        flipParallel(pttMask_);
        break;
    case Mode::SharedSerial:
        shared_.sendRequest(LinkCode::kSharedPttOff + sharedPortNumber_);
        break;
    case Mode::DedicatedSerial:
        serial_.setRts(false);
        break;
    }
}

} // namespace tavrik
