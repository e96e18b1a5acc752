#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <utility>

// Byte access to the registers of a PC parallel port. The keyer does its own register
// arithmetic; this layer only makes the port reachable and moves bytes.
namespace tavrik {

class PortIo {
public:
    virtual ~PortIo() = default;
    // Makes the port whose registers start at baseAddress reachable. False, with the
    // reason in lastError(), when it cannot be.
    virtual bool open(std::uint16_t baseAddress) = 0;
    // The device the operator named ("Parallel Device"); empty finds the port by its address.
    // Takes effect at the next open.
    virtual void setDevicePath(const QString& path) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual std::uint8_t inp(std::uint16_t address) = 0;
    virtual void out(std::uint16_t address, std::uint8_t value) = 0;
    // Why the latest open, inp or out failed; empty after one that succeeded.
    virtual QString lastError() const = 0;
};

// The /dev/parportN whose base address is baseAddress, from the kernel's parport
// information under infoRoot (normally /proc/sys/dev/parport/<name>/base-addr).
std::optional<QString> FindParportDevice(const QString& infoRoot, const QString& deviceDir,
                                         std::uint16_t baseAddress);

// The kernel's parport driver through ppdev. The port is claimed exclusively, so no printer
// driver can strobe it while it keys a transmitter. Data, status and control registers are
// reached at base, base+1 and base+2; values are the raw register bytes (the PC driver writes
// the control byte to the hardware unchanged and reads back its own copy of the four output
// lines).
class PpdevPortIo final : public PortIo {
public:
    // devicePath, when not empty, names the device to use whatever its base address.
    explicit PpdevPortIo(QString devicePath = {},
                         QString infoRoot = QStringLiteral("/proc/sys/dev/parport"),
                         QString deviceDir = QStringLiteral("/dev"));
    ~PpdevPortIo() override;
    PpdevPortIo(const PpdevPortIo&) = delete;
    PpdevPortIo& operator=(const PpdevPortIo&) = delete;

    bool open(std::uint16_t baseAddress) override;
    void setDevicePath(const QString& path) override { devicePath_ = path; }
    void close() override;
    bool isOpen() const override { return fd_ >= 0; }
    std::uint8_t inp(std::uint16_t address) override;
    void out(std::uint16_t address, std::uint8_t value) override;
    QString lastError() const override { return error_; }
    // The latest open failed because the kernel knows no parallel port at the address, so
    // no driver and no other program can hold it through ppdev.
    bool foundNoPort() const { return foundNoPort_; }

private:
    bool fail(const QString& text);
    // The read and write requests for a register of the open port, if it has the address.
    std::optional<std::pair<unsigned long, unsigned long>> requestsFor(std::uint16_t address);

    QString devicePath_;
    QString infoRoot_;
    QString deviceDir_;
    int fd_ = -1;
    std::uint16_t base_ = 0;
    QString error_;
    bool foundNoPort_ = false;
};

// Direct port instructions, allowed only to a process with CAP_SYS_RAWIO (and only on x86):
// for ports the kernel's parport driver does not know.
class IopermPortIo final : public PortIo {
public:
    ~IopermPortIo() override;
    bool open(std::uint16_t baseAddress) override;
    // Direct access reaches a port by its address alone.
    void setDevicePath(const QString&) override {}
    void close() override;
    bool isOpen() const override { return open_; }
    std::uint8_t inp(std::uint16_t address) override;
    void out(std::uint16_t address, std::uint8_t value) override;
    QString lastError() const override { return error_; }

private:
    bool covers(std::uint16_t address) const;

    bool open_ = false;
    std::uint16_t base_ = 0;
    QString error_;
};

// ppdev first; direct port access only for a port the kernel's parport driver does not know.
// A port it knows may be held by the printer driver or another program: keying it behind
// their back would fight them for the lines, so a failed claim is final. A device named by
// the operator is used alone: falling back to another route would hide the mistake.
class ParallelPortIo final : public PortIo {
public:
    explicit ParallelPortIo(QString devicePath = {},
                            QString infoRoot = QStringLiteral("/proc/sys/dev/parport"),
                            QString deviceDir = QStringLiteral("/dev"));
    bool open(std::uint16_t baseAddress) override;
    void setDevicePath(const QString& path) override;
    void close() override;
    bool isOpen() const override { return active_ != nullptr; }
    std::uint8_t inp(std::uint16_t address) override;
    void out(std::uint16_t address, std::uint8_t value) override;
    QString lastError() const override;

private:
    bool namedDevice_;
    PpdevPortIo ppdev_;
    IopermPortIo ioperm_;
    PortIo* active_ = nullptr;
    QString openError_;
};

} // namespace tavrik
