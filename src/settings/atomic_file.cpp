#include "settings/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace tavrik {
namespace {

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

QString TemporaryPrefix(const QString& path)
{
    return u'.' + QFileInfo(path).fileName() + QStringLiteral(".tmp-");
}

bool WriteAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

// A rename is only durable once the folder's entry is on the disk too.
void SyncFolder(const QString& folder)
{
    const int fd = ::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

FileContent ReadWholeFile(const QString& path)
{
    FileContent content;
    const int fd = ::open(Native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        content.status = errno == ENOENT ? FileContent::Status::Missing : FileContent::Status::Unreadable;
        return content;
    }
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ::close(fd);
            content.status = FileContent::Status::Unreadable;
            content.bytes.clear();
            return content;
        }
        if (got == 0)
            break;
        content.bytes.append(buffer, got);
    }
    ::close(fd);
    content.status = FileContent::Status::Read;
    return content;
}

QString FileLock::LockPathFor(const QString& path)
{
    const QFileInfo info(path);
    return info.dir().filePath(u'.' + info.fileName() + QStringLiteral(".lock"));
}

FileLock::FileLock(const QString& path, std::chrono::milliseconds patience)
{
    fd_ = ::open(Native(LockPathFor(path)).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0)
        return;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
            held_ = true;
            return;
        }
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

FileLock::~FileLock()
{
    if (fd_ >= 0)
        ::close(fd_); // closing drops the lock
}

bool ReplaceFile(const QString& path, const QByteArray& bytes, const std::function<void()>& beforeReplace)
{
    const QFileInfo info(path);
    const QString folder = info.absolutePath();

    int fd = -1;
    QString temporary;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = QDir(folder).filePath(TemporaryPrefix(path)
                                          + QString::number(QRandomGenerator::global()->generate64(), 36));
        // 0666 lets the umask decide a new file's permissions, as for any file the user creates.
        fd = ::open(Native(temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;

    auto abandon = [&] {
        ::close(fd);
        ::unlink(Native(temporary).constData());
        return false;
    };

    struct stat old {};
    if (::stat(Native(path).constData(), &old) == 0) {
        if (::fchmod(fd, old.st_mode & 07777) != 0)
            return abandon();
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
            // Only a privileged user can give the file back to its owner; others keep their own.
            [[maybe_unused]] const int ignored = ::fchown(fd, old.st_uid, old.st_gid);
        }
    }
    if (!WriteAll(fd, bytes) || ::fsync(fd) != 0)
        return abandon();
    if (beforeReplace)
        beforeReplace();
    if (::rename(Native(temporary).constData(), Native(path).constData()) != 0)
        return abandon();
    ::close(fd);
    SyncFolder(folder);
    return true;
}

void RemoveStaleTemporaries(const QString& path)
{
    const QFileInfo info(path);
    const QString prefix = TemporaryPrefix(path);
    QDir folder = info.dir();
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (name.startsWith(prefix))
            folder.remove(name);
    }
}

} // namespace tavrik
