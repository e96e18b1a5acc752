#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>

// Whole-file replacement that never leaves a torn file behind, the rewrite in place for a file
// whose folder cannot be written, and the lock that keeps two copies of the program (of one
// user or of several) from writing over each other's changes.
namespace tavrik {

struct FileContent {
    enum class Status { Read, Missing, Unreadable };
    Status status = Status::Missing;
    QByteArray bytes;
};

FileContent ReadWholeFile(const QString& path);

// The lock that writers and readers of a settings file share, with nothing created beside the
// file: a lock on its folder (flock), which stays while writers replace the file, and then one
// on the file itself (an open-file-description lock), which also keeps out writers that
// cannot open the folder. Both are shared by every user who may use the file, and both keep
// apart two writers inside one process. A waiter sleeps in the kernel and is woken as soon as
// the holder lets go; it gives up after `patience`. An exclusive lock that was granted on a
// file no longer at the path is taken again on the file now there.
class FileLock {
public:
    enum class Kind { Shared, Exclusive };
    enum class Status { Held, Missing, TimedOut, Failed };

    static constexpr std::chrono::milliseconds kPatience{2000};

    // An exclusive lock opens the file for writing, creating it when `create` is set; a
    // shared lock only reads.
    FileLock(const QString& path, Kind kind, bool create = false, std::chrono::milliseconds patience = kPatience);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    Status status() const { return status_; }
    bool held() const { return status_ == Status::Held; }
    // The errno of a failure to open or lock.
    int error() const { return error_; }
    // The open file; valid when held.
    int fd() const { return fd_; }

private:
    bool exclusive_ = false;
    int folderFd_ = -1;
    int fd_ = -1;
    Status status_ = Status::Failed;
    int error_ = 0;
};

// Everything in the open file `fd`, from its start.
FileContent ReadWholeFile(int fd);

// Writes `bytes` to a new file in the folder of `path`, flushes it to the disk, gives it the
// permissions of the file it replaces and renames it over `path`. On any failure `path` is left
// as it was, the new file is removed and the errno is given back (0 on success).
// `beforeReplace` runs when the new text is on the disk and not yet in place: the worst moment
// for a crash.
int ReplaceFile(const QString& path, const QByteArray& bytes, const std::function<void()>& beforeReplace = {});

// Rewrites the open file `fd`, whose content is `old`, with `bytes` and flushes it to the disk:
// for a file whose folder cannot be written. The space is claimed first, so a full disk leaves
// the file as it was. Gives back the errno of a failure, 0 on success.
int RewriteInPlace(int fd, const QByteArray& old, const QByteArray& bytes,
                   const std::function<void()>& beforeReplace = {});

// Removes what writers killed in the middle of ReplaceFile left behind. Call only while
// holding the exclusive FileLock of `path`: no live writer then has a temporary file.
void RemoveStaleTemporaries(const QString& path);

} // namespace tavrik
