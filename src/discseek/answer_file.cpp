#include "discseek/answer_file.h"

#include <QSaveFile>

namespace discseek {

QString WriteAnswerFile(const QString& path, const QByteArray& line)
{
    QSaveFile file(path);
    const QByteArray contents = line + "\r\n";
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size() || !file.commit())
        return file.errorString();
    return {};
}

} // namespace discseek
