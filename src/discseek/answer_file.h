#pragma once

#include <QByteArray>
#include <QString>

namespace discseek {

inline constexpr const char* kAnswerFileName = "Discseek.dat";

// Replaces the file with one line and CR LF, through a temporary file and a rename, so a reader
// sees the old file or the whole new one. Returns the reason when it could not.
QString WriteAnswerFile(const QString& path, const QByteArray& line);

} // namespace discseek
