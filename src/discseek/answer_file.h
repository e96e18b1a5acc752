#pragma once

#include <QByteArray>
#include <QString>

namespace discseek {

inline constexpr const char* kAnswerFileName = "Discseek.dat";

// Replaces the file with one line and CR LF, through a temporary file made exclusively in its
// folder and renamed onto the name (a link there is replaced, not followed), so a reader
// sees the old file or the whole new one. Returns the reason when it could not.
QString WriteAnswerFile(const QString& path, const QByteArray& line);

} // namespace discseek
