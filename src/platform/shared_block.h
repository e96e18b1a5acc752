#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstddef>

namespace tavrik {

// A named block of memory shared with another process: a file in the runtime directory, read
// and written with pread and pwrite (the other side may map it). Any program of the user can
// shrink the file; through the file itself that is a short read, where a mapping would kill
// the process. The creator holds a shared flock on the file for as long as it runs, so a file
// left behind by a crashed creator is told apart from a live one.
// No locking of the contents: each side reads and writes whole fields.
class SharedBlock {
public:
    enum class OpenStatus {
        Opened,
        CannotOpen, // missing, not ours, writable by others, or nobody keeps it
        CannotMap,  // smaller than asked for
    };

    SharedBlock() = default;
    ~SharedBlock();
    SharedBlock(SharedBlock&& other) noexcept;
    SharedBlock& operator=(SharedBlock&& other) noexcept;
    SharedBlock(const SharedBlock&) = delete;
    SharedBlock& operator=(const SharedBlock&) = delete;

    // The user's side: never creates. The file must hold minimumSize bytes.
    OpenStatus open(const QString& path, std::size_t minimumSize);
    // The creator's side: replaces any file at path by a fresh zero-filled one of mode 0600.
    bool create(const QString& path, std::size_t size);
    // A creator also removes the file.
    void close();

    bool isOpen() const { return fd_ >= 0; }
    // The length when opened or created.
    std::size_t size() const { return size_; }
    // Why the last open, create, read or write failed, in words.
    const QString& lastError() const { return error_; }

    // Byte access. A range the file does not hold now (outside it, or cut off since) reads as
    // empty and is not written: the file is never grown back behind its keeper's back.
    QByteArray read(std::size_t offset, std::size_t length);
    bool write(std::size_t offset, QByteArrayView bytes);

    // False once the file opened is no longer the one at its path: removed, or replaced by
    // a new one (its keeper restarted).
    bool stillAtPath() const;
    // False once nobody holds the creator's lock on the file: its keeper ended without
    // removing it (killed, or crashed). error_ then says so.
    bool stillKept();

private:
    OpenStatus fail(OpenStatus status, const QString& why);
    // Whether the file holds [offset, offset + length) now; error_ says why not.
    bool holds(std::size_t offset, std::size_t length);

    int fd_ = -1;
    std::size_t size_ = 0;
    QString path_;
    bool created_ = false;
    QString error_;
};

} // namespace tavrik
