#pragma once

#include <QFont>
#include <QString>

namespace tavrik {

// The font a stored font name stands for on this machine. A name the machine lacks ("MS Sans
// Serif", "Courier New" and other Windows fonts) falls back to the machine's sans-serif or
// fixed-pitch font, at the same size; the stored name itself is kept, so the settings file
// still works on the other machine.
QFont ScreenFont(const QString& storedName, int pointSize, const QFont& base);

// The style of the family that draws it upright or italic, normal or bold ("Book", "Oblique",
// "Bold Italic", ...), or nothing when the family has none. Qt's font dialog selects its first
// listed style when the current font names none it lists, which can turn plain text italic.
QString StyleNameFor(const QString& family, bool bold, bool italic);

} // namespace tavrik
