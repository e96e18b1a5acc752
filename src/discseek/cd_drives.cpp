#include "discseek/cd_drives.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace discseek {

CdDrives CdDrives::load(const QString& iniPath)
{
    CdDrives drives;
    QFile file(iniPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return drives;
    // A relative folder belongs to the file that names it, not to whichever folder the
    // requester started Discseek in.
    const QDir iniFolder = QFileInfo(iniPath).absoluteDir();
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    bool inDrives = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            inDrives = line.mid(1, line.size() - 2).trimmed().compare(u"Drives", Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inDrives || equals < 0)
            continue;
        QString key = line.left(equals).trimmed();
        if (key.endsWith(u':'))
            key.chop(1);
        const QString folder = line.mid(equals + 1).trimmed();
        if (key.size() == 1 && key.at(0).isLetter())
            drives.map(key.at(0), folder.isEmpty() ? folder : QDir::cleanPath(iniFolder.absoluteFilePath(folder)));
    }
    return drives;
}

void CdDrives::map(QChar letter, const QString& folder)
{
    folders_.insert(letter.toUpper(), folder);
}

QString CdDrives::folderFor(const QByteArray& drive) const
{
    if (drive.size() != 2 || drive.at(1) != ':')
        return {};
    return folders_.value(QChar::fromLatin1(drive.at(0)).toUpper());
}

} // namespace discseek
