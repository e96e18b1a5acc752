#pragma once

#include <QString>

namespace tavrik {

// Cuts a fixed-size buffer: trims its blanks, then keeps what stands before the first NUL.
// A buffer with no NUL, or with the NUL first, gives the empty text.
QString TrimAtNul(const QString& buffer);

} // namespace tavrik
