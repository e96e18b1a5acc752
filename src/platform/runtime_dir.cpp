#include "platform/runtime_dir.h"

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tavrik {

QString RuntimeDirPath()
{
    const QString overridden = qEnvironmentVariable("TAVRIK_RUNTIME_DIR");
    if (!overridden.isEmpty())
        return overridden;
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty())
        return xdg + QStringLiteral("/tavrik");
    return QStringLiteral("/tmp/tavrik-%1").arg(geteuid());
}

RuntimeDirStatus CheckPrivateDir(const QString& path)
{
    struct stat info {};
    // lstat: a symbolic link planted in the directory's place is refused, not followed.
    if (lstat(QFile::encodeName(path).constData(), &info) != 0)
        return RuntimeDirStatus::Missing;
    if (!S_ISDIR(info.st_mode))
        return RuntimeDirStatus::NotADirectory;
    if (info.st_uid != geteuid())
        return RuntimeDirStatus::WrongOwner;
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return RuntimeDirStatus::OpenToOthers;
    return RuntimeDirStatus::Ready;
}

RuntimeDir CheckRuntimeDir()
{
    RuntimeDir dir;
    dir.path = RuntimeDirPath();
    dir.status = CheckPrivateDir(dir.path);
    return dir;
}

RuntimeDir PrepareRuntimeDir()
{
    RuntimeDir dir;
    dir.path = RuntimeDirPath();
    const QByteArray native = QFile::encodeName(dir.path);
    if (mkdir(native.constData(), 0700) == 0) {
        // The umask may have taken away our own rights; others never get any.
        chmod(native.constData(), 0700);
    } else if (errno != EEXIST) {
        dir.status = RuntimeDirStatus::CannotCreate;
        return dir;
    }
    dir.status = CheckPrivateDir(dir.path);
    return dir;
}

QString RuntimeDir::problem() const
{
    switch (status) {
    case RuntimeDirStatus::Ready:
        return {};
    case RuntimeDirStatus::Missing:
        return QStringLiteral("%1 does not exist").arg(path);
    case RuntimeDirStatus::CannotCreate:
        return QStringLiteral("%1 cannot be created").arg(path);
    case RuntimeDirStatus::NotADirectory:
        return QStringLiteral("%1 is not a directory").arg(path);
    case RuntimeDirStatus::WrongOwner:
        return QStringLiteral("%1 belongs to another user").arg(path);
    case RuntimeDirStatus::OpenToOthers:
        return QStringLiteral("%1 may be written by other users").arg(path);
    }
    return {};
}

} // namespace tavrik
