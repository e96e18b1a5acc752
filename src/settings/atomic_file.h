#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>

// Whole-file replacement that never leaves a torn file behind, and the lock that keeps two
// copies of the program from writing over each other's changes.
namespace tavrik {

struct FileContent {
    enum class Status { Read, Missing, Unreadable };
    Status status = Status::Missing;
    QByteArray bytes;
};

FileContent ReadWholeFile(const QString& path);

// An exclusive advisory lock on a lock file beside `path` (the file itself is replaced on
// every write, so its own inode cannot carry the lock). Released when the object goes, or
// when the process dies.
class FileLock {
public:
    explicit FileLock(const QString& path, std::chrono::milliseconds patience = std::chrono::seconds(2));
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool held() const { return held_; }

    static QString LockPathFor(const QString& path);

private:
    int fd_ = -1;
    bool held_ = false;
};

// Writes `bytes` to a new file in the folder of `path`, flushes it to the disk, gives it the
// permissions of the file it replaces and renames it over `path`. On any failure `path` is left
// as it was and the new file is removed. `beforeReplace` runs when the new text is on the disk
// and not yet in place: the worst moment for a crash.
bool ReplaceFile(const QString& path, const QByteArray& bytes, const std::function<void()>& beforeReplace = {});

// Removes what writers killed in the middle of ReplaceFile left behind. Call only while
// holding the FileLock of `path`: no live writer then has a temporary file.
void RemoveStaleTemporaries(const QString& path);

} // namespace tavrik
