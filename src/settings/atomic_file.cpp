#include "settings/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <atomic>
#include <mutex>
#include <thread>
#include <sys/file.h>
#include <sys/stat.h>
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

bool WriteAll(int fd, const QByteArray& bytes, off_t at)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::pwrite(fd, data, static_cast<size_t>(left), at);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        left -= written;
        at += written;
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

// Wakes a thread that waits for a lock, so the wait can end at its deadline. A real-time
// signal that nothing else in the program uses; its handler does nothing, and it is
// installed without SA_RESTART so the wait returns EINTR.
int WakeSignal()
{
    static const int signal = SIGRTMIN + 6;
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    });
    return signal;
}

timespec ToTimespec(std::chrono::nanoseconds span)
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(span);
    return {static_cast<time_t>(seconds.count()), static_cast<long>((span - seconds).count())};
}

// Runs `lock` (a blocking lock call) until it succeeds, fails or `deadline` passes: 0,
// ETIMEDOUT or the errno. `tryLock` is tried first, so an uncontended lock costs no timer.
template <typename TryLock, typename Lock>
int LockUntil(TryLock tryLock, Lock lock, std::chrono::steady_clock::time_point deadline)
{
    if (tryLock() == 0)
        return 0;
    if (errno != EAGAIN && errno != EACCES && errno != EWOULDBLOCK)
        return errno;

    // A timer that signals this thread at the deadline and every 10 ms after it, in case the
    // first signal came just before the wait began.
    sigevent event {};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = WakeSignal();
    event._sigev_un._tid = ::gettid();
    timer_t timer {};
    if (::timer_create(CLOCK_MONOTONIC, &event, &timer) != 0)
        return errno;
    const auto left = std::max(deadline - std::chrono::steady_clock::now(), std::chrono::steady_clock::duration(1));
    itimerspec schedule {};
    schedule.it_value = ToTimespec(left);
    schedule.it_interval = ToTimespec(std::chrono::milliseconds(10));
    ::timer_settime(timer, 0, &schedule, nullptr);

    int result = 0;
    for (;;) {
        if (lock() == 0)
            break;
        if (errno != EINTR) {
            result = errno;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            result = ETIMEDOUT;
            break;
        }
    }
    ::timer_delete(timer);
    return result;
}

int LockFileUntil(int fd, short type, std::chrono::steady_clock::time_point deadline)
{
    struct flock request {};
    request.l_type = type;
    request.l_whence = SEEK_SET;
    return LockUntil([&] { return ::fcntl(fd, F_OFD_SETLK, &request); },
                     [&] { return ::fcntl(fd, F_OFD_SETLKW, &request); }, deadline);
}

int LockFolderUntil(int fd, int operation, std::chrono::steady_clock::time_point deadline)
{
    return LockUntil([&] { return ::flock(fd, operation | LOCK_NB); }, [&] { return ::flock(fd, operation); },
                     deadline);
}

bool StillAtPath(int fd, const QString& path)
{
    struct stat open {};
    struct stat named {};
    if (::fstat(fd, &open) != 0 || ::stat(Native(path).constData(), &named) != 0)
        return false;
    return open.st_nlink > 0 && open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

} // namespace

FileContent ReadWholeFile(int fd)
{
    FileContent content;
    char buffer[16384];
    off_t at = 0;
    for (;;) {
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, at);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            content.status = FileContent::Status::Unreadable;
            content.bytes.clear();
            return content;
        }
        if (got == 0)
            break;
        content.bytes.append(buffer, got);
        at += got;
    }
    content.status = FileContent::Status::Read;
    return content;
}

FileContent ReadWholeFile(const QString& path)
{
    // A file being rewritten in place is read once the writer is done. A writer holds the lock
    // for milliseconds; one that holds it longer is stuck, so after a short wait the file is
    // read as it is, and the reads after that do not wait for it again.
    static std::atomic<bool> holderStuck{false};
    const auto patience = holderStuck ? std::chrono::milliseconds(0) : std::chrono::milliseconds(200);
    const FileLock lock(path, FileLock::Kind::Shared, false, patience);
    holderStuck = lock.status() == FileLock::Status::TimedOut;
    FileContent content;
    if (lock.status() == FileLock::Status::Missing)
        return content;
    if (lock.fd() < 0) {
        content.status = FileContent::Status::Unreadable;
        return content;
    }
    return ReadWholeFile(lock.fd());
}

namespace {

// When this process last let go of an exclusive lock.
std::atomic<std::chrono::steady_clock::rep> lastRelease{0};

// The kernel wakes waiters when a lock is let go, but does not hand it to them: a writer that
// comes straight back would get it again before they run. Such a writer first gives the
// waiters a moment to take their turn.
void LetWaitersGoFirst()
{
    constexpr auto kTurn = std::chrono::milliseconds(2);
    const auto since = std::chrono::steady_clock::now()
        - std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(lastRelease.load()));
    if (since < kTurn)
        std::this_thread::sleep_for(kTurn - since);
}

} // namespace

FileLock::FileLock(const QString& path, Kind kind, bool create, std::chrono::milliseconds patience)
    : exclusive_(kind == Kind::Exclusive)
{
    const auto deadline = std::chrono::steady_clock::now() + patience;
    const bool exclusive = exclusive_;
    if (exclusive)
        LetWaitersGoFirst();

    // The folder first: it stays while writers replace the file, so waiters keep their turn.
    // A folder this user cannot open leaves the lock on the file, which every writer takes.
    folderFd_ = ::open(Native(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd_ >= 0) {
        error_ = LockFolderUntil(folderFd_, exclusive ? LOCK_EX : LOCK_SH, deadline);
        if (error_ != 0) {
            ::close(folderFd_);
            folderFd_ = -1;
        }
        if (error_ == ETIMEDOUT) {
            status_ = Status::TimedOut;
            // A reader may still read what is there.
            if (exclusive)
                return;
        }
        // A folder that cannot be locked at all (some network file systems) leaves the file's.
    }

    const QByteArray native = Native(path);
    const int flags = (exclusive ? O_RDWR : O_RDONLY) | (create ? O_CREAT : 0) | O_CLOEXEC;
    for (;;) {
        // 0666 lets the umask decide a new file's permissions, as for any file the user creates.
        fd_ = ::open(native.constData(), flags, 0666);
        if (fd_ < 0) {
            error_ = errno;
            status_ = error_ == ENOENT ? Status::Missing : Status::Failed;
            return;
        }
        if (status_ == Status::TimedOut)
            return; // a reader past its patience reads without the lock
        error_ = LockFileUntil(fd_, exclusive ? F_WRLCK : F_RDLCK, deadline);
        if (error_ != 0) {
            status_ = error_ == ETIMEDOUT ? Status::TimedOut : Status::Failed;
            if (exclusive) {
                ::close(fd_);
                fd_ = -1;
            }
            return;
        }
        if (!exclusive || StillAtPath(fd_, path)) {
            status_ = Status::Held;
            return;
        }
        // Replaced by a writer that holds no folder lock: take the file now at the path.
        ::close(fd_);
        fd_ = -1;
    }
}

FileLock::~FileLock()
{
    // Closing drops the locks.
    if (fd_ >= 0)
        ::close(fd_);
    if (folderFd_ >= 0)
        ::close(folderFd_);
    if (exclusive_ && status_ == Status::Held)
        lastRelease = std::chrono::steady_clock::now().time_since_epoch().count();
}

int ReplaceFile(const QString& path, const QByteArray& bytes, const std::function<void()>& beforeReplace)
{
    const QFileInfo info(path);
    const QString folder = info.absolutePath();

    int fd = -1;
    QString temporary;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = QDir(folder).filePath(TemporaryPrefix(path)
                                          + QString::number(QRandomGenerator::global()->generate64(), 36));
        fd = ::open(Native(temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return errno;
    }
    if (fd < 0)
        return EEXIST;

    auto abandon = [&] {
        const int error = errno;
        ::close(fd);
        ::unlink(Native(temporary).constData());
        return error;
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
    if (!WriteAll(fd, bytes, 0) || ::fsync(fd) != 0)
        return abandon();
    if (beforeReplace)
        beforeReplace();
    if (::rename(Native(temporary).constData(), Native(path).constData()) != 0)
        return abandon();
    ::close(fd);
    SyncFolder(folder);
    return 0;
}

int RewriteInPlace(int fd, const QByteArray& old, const QByteArray& bytes, const std::function<void()>& beforeReplace)
{
    if (bytes.size() > old.size()) {
        // Claims the blocks without changing the file, so running out of space changes nothing.
        // A file system that cannot claim ahead is written all the same.
        if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, bytes.size()) != 0 && errno != EOPNOTSUPP)
            return errno;
    }
    if (beforeReplace)
        beforeReplace();
    if (!WriteAll(fd, bytes, 0)) {
        const int error = errno;
        // Puts back what was there, as far as it goes.
        WriteAll(fd, old, 0);
        ::ftruncate(fd, old.size());
        return error;
    }
    if (::ftruncate(fd, bytes.size()) != 0 || ::fsync(fd) != 0)
        return errno;
    return 0;
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
