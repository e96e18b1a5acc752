#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <array>
#include <optional>

namespace tavrik {

// The device behind each serial port number: keys "Comm1" to "Comm8" of section "Devices",
// /dev/ttyS0 to /dev/ttyS7 where a key is empty.
class SerialDevices {
public:
    static constexpr int kPortCount = 8;

    SerialDevices();
    // An empty path keeps the default; numbers outside 1..8 are ignored.
    void setPath(int portNumber, const QString& path);
    // Empty when the number names no port.
    QString pathFor(int portNumber) const;

private:
    std::array<QString, kPortCount> paths_;
};

// Line settings written as "1200,n,8,2": speed, parity (n, e, o, m, s), data bits, stop bits.
struct LineSettings {
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};
std::optional<LineSettings> ParseLineSettings(const QString& text);

// Raises or drops the modem-control outputs of an open terminal. A seam of its own because
// these lines are hardware: pseudo-terminals have none.
class ModemLines {
public:
    static constexpr unsigned kDtr = 0x002; // TIOCM_DTR
    static constexpr unsigned kRts = 0x004; // TIOCM_RTS

    virtual ~ModemLines() = default;
    // 0, or the errno of the failure.
    virtual int change(int fd, unsigned lines, bool raise) = 0;
};

// TIOCMBIS and TIOCMBIC.
class TerminalModemLines final : public ModemLines {
public:
    int change(int fd, unsigned lines, bool raise) override;
};
ModemLines& SystemModemLines();

// The window's serial-port control: a port chosen by number, line settings, DTR and RTS that
// may be set while the port is closed and take effect when it opens, and a received signal
// delivered through the event loop. Failures never throw: they leave lastError() set until
// clearError().
class SerialLine : public QObject {
    Q_OBJECT
public:
    explicit SerialLine(SerialDevices devices, ModemLines& modemLines = SystemModemLines(),
                        QObject* parent = nullptr);
    ~SerialLine() override;

    void setDevices(const SerialDevices& devices) { devices_ = devices; }

    // 0 is no port. Changing it while the port is open is an error, as on the control.
    void setPortNumber(int portNumber);
    int portNumber() const { return portNumber_; }
    void setSettings(const QString& text);
    QString settings() const { return settingsText_; }

    void setPortOpen(bool open);
    bool portOpen() const { return port_.isOpen(); }

    void setDtr(bool on);
    bool dtr() const { return dtr_; }
    void setRts(bool on);
    bool rts() const { return rts_; }

    // Bytes received and not yet read, including those still in the driver.
    int inBufferCount();
    QByteArray read();
    void write(const QByteArray& bytes);

    QString lastError() const { return error_; }
    void clearError() { error_.clear(); }

signals:
    // Input has arrived; emitted from the event loop, never from inside a call of ours.
    void received();
    // The device went away (an adapter pulled): the port is closed, lastError() says why.
    void lost();

private:
    void open();
    void close();
    void changeLines(unsigned lines, bool raise);
    void pullDriverInput();
    void setError(const QString& text);

    SerialDevices devices_;
    ModemLines& modemLines_;
    QSerialPort port_;
    QString path_;
    int portNumber_ = 0;
    QString settingsText_ = QStringLiteral("9600,n,8,1");
    LineSettings lineSettings_;
    bool dtr_ = false;
    bool rts_ = false;
    QString error_;
};

} // namespace tavrik
