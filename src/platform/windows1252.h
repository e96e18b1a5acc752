#pragma once

#include <QByteArray>
#include <QString>

namespace tavrik {

// The single-byte text of the shared block, old INI files and the ISAM records.
QString FromWindows1252(const QByteArray& bytes);
// Characters the code page cannot hold become '?'.
QByteArray ToWindows1252(const QString& text);
// The code-page value of one character, or -1 when the code page has no such character.
int Windows1252Code(QChar c);
bool IsValidUtf8(const QByteArray& bytes);

} // namespace tavrik
