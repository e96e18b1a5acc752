#pragma once

#include <QString>

namespace tavrik {

// What to tell an operator whose port could not be opened for lack of permission: the group
// that owns the device (the usual one for such ports when the device's own group is root or
// cannot be told), and how to join it.
QString JoinGroupAdvice(const QString& devicePath, const QString& usualGroup);

} // namespace tavrik
