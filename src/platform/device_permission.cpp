#include "platform/device_permission.h"

#include <QFile>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrik {

QString JoinGroupAdvice(const QString& devicePath, const QString& usualGroup)
{
    QString group = usualGroup;
    struct stat info {};
    if (::stat(QFile::encodeName(devicePath).constData(), &info) == 0 && info.st_gid != 0) {
        if (const ::group* owner = ::getgrgid(info.st_gid))
            group = QString::fromLocal8Bit(owner->gr_name);
    }
    const ::passwd* user = ::getpwuid(::getuid());
    const QString name = user ? QString::fromLocal8Bit(user->pw_name) : QStringLiteral("$USER");
    return QStringLiteral("join group %1 (sudo usermod -aG %1 %2) and log in again").arg(group, name);
}

} // namespace tavrik
