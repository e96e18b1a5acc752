#pragma once

#include <QByteArray>

namespace tavrik::emulator {

// The keyer's own Morse table, apart from Tavrik's: '.' a dit, '-' a dah. Small letters key
// as capitals; a character without a sign gives nothing, and only its letter space is kept.
QByteArray ElementsFor(char c);

} // namespace tavrik::emulator
