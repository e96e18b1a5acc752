#include "meeting_place.h"

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tavrik::standin {

QString MeetingDirPath()
{
    if (const QString chosen = qEnvironmentVariable("TAVRIK_RUNTIME_DIR"); !chosen.isEmpty())
        return chosen;
    if (const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR"); !xdg.isEmpty())
        return xdg + QStringLiteral("/tavrik");
    return QStringLiteral("/tmp/tavrik-") + QString::number(geteuid());
}

bool PrepareMeetingDir(const QString& path, QString& why)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) == 0) {
        // The umask may have taken some of our own rights away.
        ::chmod(native.constData(), 0700);
    } else if (errno != EEXIST) {
        why = path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        why = path + QStringLiteral(" is not a directory");
    else if (info.st_uid != geteuid())
        why = path + QStringLiteral(" belongs to another user");
    else if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        why = path + QStringLiteral(" may be written by other users");
    else
        return true;
    return false;
}

} // namespace tavrik::standin
