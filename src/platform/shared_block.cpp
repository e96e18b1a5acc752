#include "platform/shared_block.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
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
      view_(std::exchange(other.view_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      createdPath_(std::move(other.createdPath_)),
      error_(std::move(other.error_))
{
}

SharedBlock& SharedBlock::operator=(SharedBlock&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        view_ = std::exchange(other.view_, nullptr);
        size_ = std::exchange(other.size_, 0);
        createdPath_ = std::move(other.createdPath_);
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
    if (flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        flock(fd_, LOCK_UN);
        return fail(OpenStatus::CannotOpen, QStringLiteral("%1 is left over: no program keeps it").arg(path));
    }
    if (static_cast<std::size_t>(info.st_size) < minimumSize) {
        return fail(OpenStatus::CannotMap,
                    QStringLiteral("%1 holds %2 bytes, %3 needed").arg(path).arg(info.st_size).arg(minimumSize));
    }
    size_ = static_cast<std::size_t>(info.st_size);
    if (!mapWhole())
        return fail(OpenStatus::CannotMap, QStringLiteral("%1: %2").arg(path, ErrnoText()));
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
    createdPath_ = path;
    if (fchmod(fd_, 0600) != 0 || flock(fd_, LOCK_SH) != 0
        || ftruncate(fd_, static_cast<off_t>(size)) != 0) {
        fail(OpenStatus::CannotOpen, QStringLiteral("%1: %2").arg(path, ErrnoText()));
        return false;
    }
    size_ = size;
    if (!mapWhole()) {
        fail(OpenStatus::CannotMap, QStringLiteral("%1: %2").arg(path, ErrnoText()));
        return false;
    }
    return true;
}

bool SharedBlock::mapWhole()
{
    void* view = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    if (view == MAP_FAILED)
        return false;
    view_ = view;
    return true;
}

void SharedBlock::close()
{
    if (view_ != nullptr)
        munmap(view_, size_);
    view_ = nullptr;
    size_ = 0;
    if (!createdPath_.isEmpty())
        unlink(QFile::encodeName(createdPath_).constData());
    createdPath_.clear();
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

QByteArray SharedBlock::read(std::size_t offset, std::size_t length) const
{
    if (view_ == nullptr || offset > size_ || length > size_ - offset)
        return {};
    return QByteArray(static_cast<const char*>(view_) + offset, static_cast<qsizetype>(length));
}

void SharedBlock::write(std::size_t offset, QByteArrayView bytes)
{
    const auto length = static_cast<std::size_t>(bytes.size());
    if (view_ == nullptr || offset > size_ || length > size_ - offset)
        return;
    std::memcpy(static_cast<char*>(view_) + offset, bytes.data(), length);
}

} // namespace tavrik
