#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstddef>

namespace tavrik {

// A named block of memory shared with another process: a file in the runtime directory mapped
// with MAP_SHARED. The creator holds a shared flock on the file for as long as it runs, so a
// file left behind by a crashed creator is told apart from a live one.
// No locking of the contents: each side reads and writes whole fields.
class SharedBlock {
public:
    enum class OpenStatus {
        Opened,
        CannotOpen, // missing, not ours, writable by others, or nobody keeps it
        CannotMap,  // smaller than asked for, or the mapping failed
    };

    SharedBlock() = default;
    ~SharedBlock();
    SharedBlock(SharedBlock&& other) noexcept;
    SharedBlock& operator=(SharedBlock&& other) noexcept;
    SharedBlock(const SharedBlock&) = delete;
    SharedBlock& operator=(const SharedBlock&) = delete;

    // The user's side: never creates. Maps the whole file, which must hold minimumSize bytes.
    OpenStatus open(const QString& path, std::size_t minimumSize);
    // The creator's side: replaces any file at path by a fresh zero-filled one of mode 0600.
    bool create(const QString& path, std::size_t size);
    // Unmaps; a creator also removes the file.
    void close();

    bool isOpen() const { return view_ != nullptr; }
    std::size_t size() const { return size_; }
    // Why the last open or create failed, in words.
    const QString& lastError() const { return error_; }

    // Byte access; a range outside the block reads as empty and is not written.
    QByteArray read(std::size_t offset, std::size_t length) const;
    void write(std::size_t offset, QByteArrayView bytes);

private:
    OpenStatus fail(OpenStatus status, const QString& why);
    bool mapWhole();

    int fd_ = -1;
    void* view_ = nullptr;
    std::size_t size_ = 0;
    QString createdPath_;
    QString error_;
};

} // namespace tavrik
