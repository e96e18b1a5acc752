#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

namespace discseek {

// Where each "CD drive" letter is on this machine: section [Drives] of Discseek.ini beside the
// program (for an installed program, in the user's configuration folder), one line a drive
// ("D=/media/cdrom"). Letters and the section name ignore case; a relative folder is taken
// from the folder of Discseek.ini.
class CdDrives {
public:
    static constexpr const char* kFileName = "Discseek.ini";

    // A missing or unreadable file maps no drive.
    static CdDrives load(const QString& iniPath);

    void map(QChar letter, const QString& folder);
    // The folder of a drive text such as "D:", or empty for a drive that is not mapped.
    QString folderFor(const QByteArray& drive) const;

private:
    QHash<QChar, QString> folders_;
};

} // namespace discseek
