#include "radio_lines.h"

namespace tavrik::standin {

bool RadioLines::open(const QString& device)
{
    port_.setPortName(device);
    if (!port_.open(QIODevice::ReadWrite))
        return false;
    setKey(false);
    setPtt(false);
    return true;
}

} // namespace tavrik::standin
