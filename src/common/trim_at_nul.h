#pragma once

#include <QString>

namespace tavrik {

// Removes blanks (spaces only) from both ends; other white space is part of the text.
QString TrimBlanks(QStringView text);

// Cuts a fixed-size buffer: trims its blanks, then keeps what stands before the first NUL.
// A buffer with no NUL, or with the NUL first, gives the empty text.
QString TrimAtNul(const QString& buffer);

} // namespace tavrik
