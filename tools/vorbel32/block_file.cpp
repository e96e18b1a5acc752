#include "block_file.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tavrik::standin {

BlockFile::~BlockFile()
{
    if (fd_ < 0)
        return;
    struct stat atPath {};
    const QByteArray native = QFile::encodeName(path_);
    if (::lstat(native.constData(), &atPath) == 0 && atPath.st_dev == device_ && atPath.st_ino == inode_)
        ::unlink(native.constData());
    ::close(fd_);
}

bool BlockFile::create(const QString& path, std::size_t size, QString& why)
{
    const QByteArray native = QFile::encodeName(path);
    const auto fail = [&] {
        why = path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    };
    if (fd_ >= 0) {
        errno = EBUSY;
        return fail();
    }
    if (::unlink(native.constData()) != 0 && errno != ENOENT)
        return fail();
    // O_EXCL: a file planted between the unlink and here is refused, not taken over.
    const int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return fail();
    struct stat info {};
    if (::fchmod(fd, 0600) != 0 || ::flock(fd, LOCK_SH) != 0 || ::ftruncate(fd, static_cast<off_t>(size)) != 0
        || ::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(native.constData());
        errno = error;
        return fail();
    }
    fd_ = fd;
    path_ = path;
    device_ = info.st_dev;
    inode_ = info.st_ino;
    return true;
}

bool BlockFile::holds(std::size_t offset, std::size_t length) const
{
    struct stat info {};
    return fd_ >= 0 && ::fstat(fd_, &info) == 0 && offset + length <= static_cast<std::size_t>(info.st_size);
}

QByteArray BlockFile::read(std::size_t offset, std::size_t length) const
{
    QByteArray bytes(static_cast<qsizetype>(length), '\0');
    if (fd_ < 0 || ::pread(fd_, bytes.data(), length, static_cast<off_t>(offset)) != static_cast<ssize_t>(length))
        return {};
    return bytes;
}

bool BlockFile::write(std::size_t offset, const QByteArray& bytes)
{
    const auto length = static_cast<std::size_t>(bytes.size());
    return holds(offset, length)
           && ::pwrite(fd_, bytes.constData(), length, static_cast<off_t>(offset)) == static_cast<ssize_t>(length);
}

} // namespace tavrik::standin
