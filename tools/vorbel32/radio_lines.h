#pragma once

#include <QSerialPort>
#include <QString>

namespace tavrik::standin {

// The radio's serial port, whose DTR keys and RTS is PTT, switched for Tavrik's requests.
class RadioLines {
public:
    // Opens the port with both lines dropped at once: Linux raises them on open.
    bool open(const QString& device);
    QString errorText() const { return port_.errorString(); }
    bool isOpen() const { return port_.isOpen(); }
    // False when the line could not be switched (a pseudo-terminal has no modem lines).
    bool setKey(bool on) { return port_.setDataTerminalReady(on); }
    bool setPtt(bool on) { return port_.setRequestToSend(on); }

private:
    QSerialPort port_;
};

} // namespace tavrik::standin
