#include "operator/language_library.h"

#include <QDir>
#include <QFile>

namespace tavrik {

LanguageLibrary LanguageLibrary::Load(const QString& programDir, int lcid)
{
    LanguageLibrary library;
    QFile file(QDir(programDir).filePath(QString::number(lcid).trimmed() + QStringLiteral(".lng")));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return library;
    library.loaded_ = true;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).remove(QChar(u'\0'));
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        bool ok = false;
        const int id = line.left(equals).trimmed().toInt(&ok);
        if (ok)
            library.strings_.insert(id, line.mid(equals + 1).trimmed());
    }
    return library;
}

} // namespace tavrik
