#include "platform/shared_block.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace tavrik {
namespace {

QString ErrnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

SharedBlock::~SharedBlock()
{
    close();
}

SharedBlock::SharedBlock(SharedBlock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      size_(std::exchange(other.size_, 0)),
      path_(std::move(other.path_)),
      created_(std::exchange(other.created_, false)),
      error_(std::move(other.error_))
{
}

SharedBlock& SharedBlock::operator=(SharedBlock&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        size_ = std::exchange(other.size_, 0);
        path_ = std::move(other.path_);
        created_ = std::exchange(other.created_, false);
        error_ = std::move(other.error_);
    }
    return *this;
}

SharedBlock::OpenStatus SharedBlock::fail(OpenStatus status, const QString& why)
{
    error_ = why;
    close();
    return status;
}

SharedBlock::OpenStatus SharedBlock::open(const QString& path, std::size_t minimumSize)
{
    close();
    error_.clear();
    // Not inherited by children; a symbolic link in the block's place is not followed.
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd_ < 0)
        return fail(OpenStatus::CannotOpen, QStringLiteral("%1: %2").arg(path, ErrnoText()));
    struct stat info {};
    if (fstat(fd_, &info) != 0)
        return fail(OpenStatus::CannotOpen, QStringLiteral("%1: %2").arg(path, ErrnoText()));
    if (!S_ISREG(info.st_mode))
        return fail(OpenStatus::CannotOpen, QStringLiteral("%1 is not a regular file").arg(path));
    // Slot 5 presses keys that key the transmitter: only a block of our own is trusted.
    if (info.st_uid != geteuid())
        return fail(OpenStatus::CannotOpen, QStringLiteral("%1 belongs to another user").arg(path));
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return fail(OpenStatus::CannotOpen, QStringLiteral("%1 may be written by other users").arg(path));
    path_ = path;
    if (!stillKept())
        return fail(OpenStatus::CannotOpen, error_);
    if (static_cast<std::size_t>(info.st_size) < minimumSize) {
        return fail(OpenStatus::CannotMap,
                    QStringLiteral("%1 holds %2 bytes, %3 needed").arg(path).arg(info.st_size).arg(minimumSize));
    }
    size_ = static_cast<std::size_t>(info.st_size);
    return OpenStatus::Opened;
}

bool SharedBlock::create(const QString& path, std::size_t size)
{
    close();
    error_.clear();
    const QByteArray native = QFile::encodeName(path);
    if (unlink(native.constData()) != 0 && errno != ENOENT) {
        fail(OpenStatus::CannotOpen, QStringLiteral("%1: %2").arg(path, ErrnoText()));
        return false;
    }
    // O_EXCL: whatever was planted between the unlink and here is not adopted.
    fd_ = ::open(native.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) {
        fail(OpenStatus::CannotOpen, QStringLiteral("%1: %2").arg(path, ErrnoText()));
        return false;
    }
    path_ = path;
    created_ = true;
    if (fchmod(fd_, 0600) != 0 || flock(fd_, LOCK_SH) != 0
        || ftruncate(fd_, static_cast<off_t>(size)) != 0) {
        fail(OpenStatus::CannotOpen, QStringLiteral("%1: %2").arg(path, ErrnoText()));
        return false;
    }
    size_ = size;
    return true;
}

void SharedBlock::close()
{
    size_ = 0;
    // Only the file this side created: a keeper that restarted may have put a new one there.
    if (created_ && stillAtPath())
        unlink(QFile::encodeName(path_).constData());
    created_ = false;
    path_.clear();
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool SharedBlock::stillAtPath() const
{
    struct stat opened {};
    struct stat atPath {};
    if (fd_ < 0 || fstat(fd_, &opened) != 0 || opened.st_nlink == 0)
        return false;
    return lstat(QFile::encodeName(path_).constData(), &atPath) == 0 && atPath.st_dev == opened.st_dev
           && atPath.st_ino == opened.st_ino;
}

bool SharedBlock::stillKept()
{
    // The keeper's shared lock is what makes an exclusive one fail; the lock goes with its
    // last descriptor, however the keeper ended.
    if (fd_ < 0 || flock(fd_, LOCK_EX | LOCK_NB) != 0)
        return fd_ >= 0;
    flock(fd_, LOCK_UN);
    error_ = QStringLiteral("%1 is left over: no program keeps it").arg(path_);
    return false;
}

bool SharedBlock::holds(std::size_t offset, std::size_t length)
{
    if (fd_ < 0) {
        error_ = QStringLiteral("the block is not open");
        return false;
    }
    struct stat info {};
    if (fstat(fd_, &info) != 0) {
        error_ = QStringLiteral("%1: %2").arg(path_, ErrnoText());
        return false;
    }
    const auto fileSize = static_cast<std::size_t>(info.st_size);
    if (offset > fileSize || length > fileSize - offset) {
        error_ = QStringLiteral("%1 holds %2 bytes, %3 needed").arg(path_).arg(fileSize).arg(offset + length);
        return false;
    }
    return true;
}

QByteArray SharedBlock::read(std::size_t offset, std::size_t length)
{
    if (fd_ < 0) {
        error_ = QStringLiteral("the block is not open");
        return {};
    }
    // One system call when all is well: a file cut short shows as a short read.
    QByteArray bytes(static_cast<qsizetype>(length), '\0');
    const ssize_t got = pread(fd_, bytes.data(), length, static_cast<off_t>(offset));
    if (got >= 0 && static_cast<std::size_t>(got) == length)
        return bytes;
    if (got < 0)
        error_ = QStringLiteral("%1: %2").arg(path_, ErrnoText());
    else if (holds(offset, length))
        error_ = QStringLiteral("%1 was cut short while being read").arg(path_);
    return {};
}

bool SharedBlock::write(std::size_t offset, QByteArrayView bytes)
{
    const auto length = static_cast<std::size_t>(bytes.size());
    if (!holds(offset, length))
        return false;
    const ssize_t put = pwrite(fd_, bytes.data(), length, static_cast<off_t>(offset));
    if (put < 0 || static_cast<std::size_t>(put) != length) {
        error_ = QStringLiteral("%1: %2").arg(path_, put < 0 ? ErrnoText() : QStringLiteral("short write"));
        return false;
    }
    return true;
}

} // namespace tavrik
