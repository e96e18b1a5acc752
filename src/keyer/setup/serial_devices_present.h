#pragma once

#include <QString>
#include <QStringList>

namespace tavrik {

// The serial devices this machine has under `devRoot`: ttyS*, ttyUSB*, ttyACM* and the
// stable names in serial/by-id, in natural order (ttyUSB2 before ttyUSB10).
QStringList PresentSerialDevices(const QString& devRoot = QStringLiteral("/dev"));

} // namespace tavrik
