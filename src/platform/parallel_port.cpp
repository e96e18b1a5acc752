#include "platform/parallel_port.h"

#include "platform/device_permission.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define TAVRIK_HAS_PORT_INSTRUCTIONS 1
#endif

namespace tavrik {

namespace {

constexpr std::uint16_t kRegisterCount = 3; // data, status, control

QString Hex(std::uint32_t value)
{
    return QStringLiteral("&H") + QString::number(value, 16).toUpper();
}

QString SystemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

std::optional<QString> FindParportDevice(const QString& infoRoot, const QString& deviceDir,
                                         std::uint16_t baseAddress)
{
    const QDir root(infoRoot);
    const QStringList ports = root.entryList({QStringLiteral("parport*")}, QDir::Dirs, QDir::Name);
    for (const QString& name : ports) {
        QFile file(root.filePath(name + QStringLiteral("/base-addr")));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        // "<base>\t<base_hi>\n", both decimal.
        const QByteArray first = file.readAll().simplified().split(' ').value(0);
        bool ok = false;
        const unsigned long base = first.toULong(&ok);
        if (ok && base == baseAddress)
            return QDir(deviceDir).filePath(name);
    }
    return std::nullopt;
}

PpdevPortIo::PpdevPortIo(QString devicePath, QString infoRoot, QString deviceDir)
    : devicePath_(std::move(devicePath)), infoRoot_(std::move(infoRoot)), deviceDir_(std::move(deviceDir))
{
}

PpdevPortIo::~PpdevPortIo()
{
    close();
}

bool PpdevPortIo::fail(const QString& text)
{
    error_ = text;
    return false;
}

bool PpdevPortIo::open(std::uint16_t baseAddress)
{
    close();
    foundNoPort_ = false;
    QString path = devicePath_;
    if (path.isEmpty()) {
        const std::optional<QString> found = FindParportDevice(infoRoot_, deviceDir_, baseAddress);
        foundNoPort_ = !found;
        if (!found)
            return fail(QStringLiteral("No parallel port at %1 is known to the kernel").arg(Hex(baseAddress)));
        path = *found;
    }
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        QString text = path + QStringLiteral(": ") + SystemError(error);
        if (error == EACCES || error == EPERM)
            text += QStringLiteral("; ") + JoinGroupAdvice(path, QStringLiteral("lp"));
        return fail(text);
    }
    // Exclusive, so that a printer driver cannot share the lines while they key a transmitter.
    if (::ioctl(fd, PPEXCL) != 0 || ::ioctl(fd, PPCLAIM) != 0) {
        const int error = errno;
        ::close(fd);
        return fail(path + QStringLiteral(" cannot be claimed: ") + SystemError(error));
    }
    fd_ = fd;
    base_ = baseAddress;
    error_.clear();
    return true;
}

void PpdevPortIo::close()
{
    if (fd_ < 0)
        return;
    ::ioctl(fd_, PPRELEASE);
    ::close(fd_);
    fd_ = -1;
}

std::optional<std::pair<unsigned long, unsigned long>> PpdevPortIo::requestsFor(std::uint16_t address)
{
    if (fd_ < 0) {
        fail(QStringLiteral("The parallel port is not open"));
        return std::nullopt;
    }
    switch (address - base_) {
    case 0:
        return std::pair<unsigned long, unsigned long>{PPRDATA, PPWDATA};
    case 1:
        // The status lines are inputs; there is nothing to write.
        return std::pair<unsigned long, unsigned long>{PPRSTATUS, 0};
    case 2:
        return std::pair<unsigned long, unsigned long>{PPRCONTROL, PPWCONTROL};
    default:
        fail(QStringLiteral("%1 is not a register of the parallel port at %2").arg(Hex(address), Hex(base_)));
        return std::nullopt;
    }
}

std::uint8_t PpdevPortIo::inp(std::uint16_t address)
{
    const auto requests = requestsFor(address);
    if (!requests)
        return 0;
    unsigned char value = 0;
    if (::ioctl(fd_, requests->first, &value) != 0) {
        fail(SystemError(errno));
        return 0;
    }
    error_.clear();
    return value;
}

void PpdevPortIo::out(std::uint16_t address, std::uint8_t value)
{
    const auto requests = requestsFor(address);
    if (!requests)
        return;
    if (requests->second == 0) {
        fail(QStringLiteral("%1 is read-only").arg(Hex(address)));
        return;
    }
    unsigned char byte = value;
    if (::ioctl(fd_, requests->second, &byte) != 0) {
        fail(SystemError(errno));
        return;
    }
    error_.clear();
}

IopermPortIo::~IopermPortIo()
{
    close();
}

bool IopermPortIo::open(std::uint16_t baseAddress)
{
    close();
#ifdef TAVRIK_HAS_PORT_INSTRUCTIONS
    if (baseAddress > 0x10000 - kRegisterCount) {
        error_ = QStringLiteral("%1 is beyond the I/O port range").arg(Hex(baseAddress));
        return false;
    }
    if (::ioperm(baseAddress, kRegisterCount, 1) != 0) {
        error_ = QStringLiteral("direct access to %1 refused: ").arg(Hex(baseAddress)) + SystemError(errno);
        return false;
    }
    open_ = true;
    base_ = baseAddress;
    error_.clear();
    return true;
#else
    (void)baseAddress;
    error_ = QStringLiteral("direct port access is not available on this processor");
    return false;
#endif
}

void IopermPortIo::close()
{
    if (!open_)
        return;
#ifdef TAVRIK_HAS_PORT_INSTRUCTIONS
    ::ioperm(base_, kRegisterCount, 0);
#endif
    open_ = false;
}

bool IopermPortIo::covers(std::uint16_t address) const
{
    return open_ && address >= base_ && address - base_ < kRegisterCount;
}

std::uint8_t IopermPortIo::inp(std::uint16_t address)
{
    // Outside the permitted range the instruction would kill the process.
    if (!covers(address)) {
        error_ = QStringLiteral("%1 is not a register of the open parallel port").arg(Hex(address));
        return 0;
    }
    error_.clear();
#ifdef TAVRIK_HAS_PORT_INSTRUCTIONS
    return ::inb(address);
#else
    return 0;
#endif
}

void IopermPortIo::out(std::uint16_t address, std::uint8_t value)
{
    if (!covers(address)) {
        error_ = QStringLiteral("%1 is not a register of the open parallel port").arg(Hex(address));
        return;
    }
    error_.clear();
#ifdef TAVRIK_HAS_PORT_INSTRUCTIONS
    ::outb(value, address);
#else
    (void)value;
#endif
}

ParallelPortIo::ParallelPortIo(QString devicePath, QString infoRoot, QString deviceDir)
    : namedDevice_(!devicePath.isEmpty()),
      ppdev_(std::move(devicePath), std::move(infoRoot), std::move(deviceDir))
{
}

void ParallelPortIo::setDevicePath(const QString& path)
{
    namedDevice_ = !path.isEmpty();
    ppdev_.setDevicePath(path);
}

bool ParallelPortIo::open(std::uint16_t baseAddress)
{
    close();
    if (ppdev_.open(baseAddress)) {
        active_ = &ppdev_;
        return true;
    }
    openError_ = ppdev_.lastError();
    if (namedDevice_ || !ppdev_.foundNoPort())
        return false;
    if (ioperm_.open(baseAddress)) {
        active_ = &ioperm_;
        return true;
    }
    openError_ += QStringLiteral("; ") + ioperm_.lastError();
    return false;
}

void ParallelPortIo::close()
{
    if (active_)
        active_->close();
    active_ = nullptr;
}

std::uint8_t ParallelPortIo::inp(std::uint16_t address)
{
    if (!active_) {
        openError_ = QStringLiteral("The parallel port is not open");
        return 0;
    }
    return active_->inp(address);
}

void ParallelPortIo::out(std::uint16_t address, std::uint8_t value)
{
    if (!active_) {
        openError_ = QStringLiteral("The parallel port is not open");
        return;
    }
    active_->out(address, value);
}

QString ParallelPortIo::lastError() const
{
    return active_ ? active_->lastError() : openError_;
}

} // namespace tavrik
