#include "winkey/winkey_line.h"

#include "platform/serial_line.h"

namespace tavrik {

bool SerialWinKeyLine::portOpen() const { return line_.portOpen(); }
void SerialWinKeyLine::setPortOpen(bool open) { line_.setPortOpen(open); }
void SerialWinKeyLine::setPortNumber(int portNumber) { line_.setPortNumber(portNumber); }
void SerialWinKeyLine::setSettings(const QString& text) { line_.setSettings(text); }
void SerialWinKeyLine::setDtr(bool on) { line_.setDtr(on); }
void SerialWinKeyLine::setRts(bool on) { line_.setRts(on); }
int SerialWinKeyLine::inBufferCount() { return line_.inBufferCount(); }
QByteArray SerialWinKeyLine::read() { return line_.read(); }
void SerialWinKeyLine::write(const QByteArray& bytes) { line_.write(bytes); }
QString SerialWinKeyLine::lastError() const { return line_.lastError(); }
void SerialWinKeyLine::clearError() { line_.clearError(); }

} // namespace tavrik
