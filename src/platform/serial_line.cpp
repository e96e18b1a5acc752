#include "platform/serial_line.h"

#include "platform/device_permission.h"

#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/ioctl.h>

namespace tavrik {

static_assert(ModemLines::kDtr == TIOCM_DTR && ModemLines::kRts == TIOCM_RTS);

SerialDevices::SerialDevices()
{
    for (int n = 1; n <= kPortCount; ++n)
        paths_[static_cast<std::size_t>(n - 1)] = QStringLiteral("/dev/ttyS%1").arg(n - 1);
}

void SerialDevices::setPath(int portNumber, const QString& path)
{
    if (portNumber < 1 || portNumber > kPortCount || path.trimmed().isEmpty())
        return;
    paths_[static_cast<std::size_t>(portNumber - 1)] = path.trimmed();
}

QString SerialDevices::pathFor(int portNumber) const
{
    if (portNumber < 1 || portNumber > kPortCount)
        return {};
    return paths_[static_cast<std::size_t>(portNumber - 1)];
}

std::optional<LineSettings> ParseLineSettings(const QString& text)
{
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != 4)
        return std::nullopt;
    LineSettings settings;
    bool ok = false;
    settings.baudRate = fields[0].trimmed().toInt(&ok);
    if (!ok || settings.baudRate <= 0)
        return std::nullopt;

    const QString parity = fields[1].trimmed().toLower();
    if (parity == QLatin1String("n"))
        settings.parity = QSerialPort::NoParity;
    else if (parity == QLatin1String("e"))
        settings.parity = QSerialPort::EvenParity;
    else if (parity == QLatin1String("o"))
        settings.parity = QSerialPort::OddParity;
    else if (parity == QLatin1String("m"))
        settings.parity = QSerialPort::MarkParity;
    else if (parity == QLatin1String("s"))
        settings.parity = QSerialPort::SpaceParity;
    else
        return std::nullopt;

    const int bits = fields[2].trimmed().toInt(&ok);
    if (!ok || bits < 5 || bits > 8)
        return std::nullopt;
    settings.dataBits = static_cast<QSerialPort::DataBits>(bits);

    const QString stop = fields[3].trimmed();
    if (stop == QLatin1String("1"))
        settings.stopBits = QSerialPort::OneStop;
    else if (stop == QLatin1String("1.5"))
        settings.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == QLatin1String("2"))
        settings.stopBits = QSerialPort::TwoStop;
    else
        return std::nullopt;
    return settings;
}

int TerminalModemLines::change(int fd, unsigned lines, bool raise)
{
    int bits = static_cast<int>(lines);
    return ::ioctl(fd, raise ? TIOCMBIS : TIOCMBIC, &bits) == 0 ? 0 : errno;
}

ModemLines& SystemModemLines()
{
    static TerminalModemLines lines;
    return lines;
}

namespace {

bool HungUp(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

} // namespace

SerialLine::SerialLine(SerialDevices devices, ModemLines& modemLines, QObject* parent)
    : QObject(parent), devices_(std::move(devices)), modemLines_(modemLines)
{
    lineSettings_ = *ParseLineSettings(settingsText_);
    // Queued, so a handler never runs inside inBufferCount or read of its own line.
    connect(&port_, &QSerialPort::readyRead, this, [this] {
        if (port_.isOpen() && port_.bytesAvailable() > 0)
            emit received();
    }, Qt::QueuedConnection);
    // A device that went away (a USB adapter pulled, a keyer's pseudo-terminal closed) keeps
    // signalling a hang-up and failing every read: the port is closed, as an unplugged
    // control would be, rather than spinning on it.
    connect(&port_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        if ((error != QSerialPort::ResourceError && error != QSerialPort::ReadError) || !port_.isOpen())
            return;
        // A read that found nothing (the input was taken by inBufferCount or read meanwhile)
        // is reported as a read error too, or as a resource error when the read said EAGAIN;
        // only a line that hung up is gone.
        if (!HungUp(static_cast<int>(port_.handle()))) {
            port_.clearError();
            // A resource error also stops the port's reading; a read asks for input again.
            char next = 0;
            port_.peek(&next, 1);
            return;
        }
        setError(path_ + QStringLiteral(": ") + port_.errorString());
        port_.close();
        emit lost();
    }, Qt::QueuedConnection);
}

SerialLine::~SerialLine()
{
    close();
}

void SerialLine::setError(const QString& text)
{
    error_ = text;
}

void SerialLine::setPortNumber(int portNumber)
{
    if (port_.isOpen()) {
        setError(QStringLiteral("Port already open"));
        return;
    }
    portNumber_ = portNumber;
}

void SerialLine::setSettings(const QString& text)
{
    const std::optional<LineSettings> parsed = ParseLineSettings(text);
    if (!parsed) {
        setError(QStringLiteral("Invalid line settings \"%1\"").arg(text));
        return;
    }
    settingsText_ = text;
    lineSettings_ = *parsed;
    if (port_.isOpen()) {
        port_.setBaudRate(lineSettings_.baudRate);
        port_.setParity(lineSettings_.parity);
        port_.setDataBits(lineSettings_.dataBits);
        port_.setStopBits(lineSettings_.stopBits);
    }
}

void SerialLine::setPortOpen(bool open)
{
    if (open && !port_.isOpen())
        this->open();
    else if (!open && port_.isOpen())
        close();
}

void SerialLine::open()
{
    const QString path = devices_.pathFor(portNumber_);
    if (path.isEmpty()) {
        setError(QStringLiteral("Invalid port number"));
        return;
    }
    path_ = path;
    port_.setPortName(path);
    port_.setBaudRate(lineSettings_.baudRate);
    port_.setParity(lineSettings_.parity);
    port_.setDataBits(lineSettings_.dataBits);
    port_.setStopBits(lineSettings_.stopBits);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!port_.open(QIODevice::ReadWrite)) {
        QString text = path + QStringLiteral(": ") + port_.errorString();
        if (port_.error() == QSerialPort::PermissionError)
            text += QStringLiteral("; ") + JoinGroupAdvice(path, QStringLiteral("dialout"));
        setError(text);
        port_.clearError();
        return;
    }
    // The tty driver raised both lines on open; a transmitter on them is keyed until they drop.
    changeLines(ModemLines::kDtr | ModemLines::kRts, false);
    unsigned wanted = (dtr_ ? ModemLines::kDtr : 0u) | (rts_ ? ModemLines::kRts : 0u);
    if (wanted != 0)
        changeLines(wanted, true);
}

void SerialLine::close()
{
    if (port_.isOpen())
        port_.close();
}

void SerialLine::changeLines(unsigned lines, bool raise)
{
    const int error = modemLines_.change(static_cast<int>(port_.handle()), lines, raise);
    // A device without modem lines (a pseudo-terminal, some USB adapters) is still a port.
    if (error != 0 && error != ENOTTY && error != EINVAL && error != ENOTSUP)
        setError(path_ + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error)));
}

void SerialLine::setDtr(bool on)
{
    dtr_ = on;
    if (port_.isOpen())
        changeLines(ModemLines::kDtr, on);
}

void SerialLine::setRts(bool on)
{
    rts_ = on;
    if (port_.isOpen())
        changeLines(ModemLines::kRts, on);
}

void SerialLine::pullDriverInput()
{
    int waiting = 0;
    if (::ioctl(static_cast<int>(port_.handle()), FIONREAD, &waiting) == 0 && waiting > 0)
        port_.waitForReadyRead(0);
}

int SerialLine::inBufferCount()
{
    if (!port_.isOpen())
        return 0;
    pullDriverInput();
    return static_cast<int>(port_.bytesAvailable());
}

QByteArray SerialLine::read()
{
    if (!port_.isOpen())
        return {};
    pullDriverInput();
    return port_.readAll();
}

void SerialLine::write(const QByteArray& bytes)
{
    if (!port_.isOpen()) {
        setError(QStringLiteral("Operation valid only when the port is open"));
        return;
    }
    if (port_.write(bytes) < 0) {
        setError(path_ + QStringLiteral(": ") + port_.errorString());
        port_.clearError();
        return;
    }
    // Out now: a caller may busy-wait for the answer without returning to the event loop.
    port_.flush();
}

} // namespace tavrik
