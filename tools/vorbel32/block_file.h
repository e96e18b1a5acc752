#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

#include <cstddef>

namespace tavrik::standin {

// The shared block as its creator keeps it: a fresh file of mode 0600 under a shared flock
// held for the whole run, so Tavrik can tell a live block from one left by a crash. Removed
// again at the end, unless a newer copy has put its own block at the path meanwhile.
class BlockFile {
public:
    BlockFile() = default;
    ~BlockFile();
    BlockFile(const BlockFile&) = delete;
    BlockFile& operator=(const BlockFile&) = delete;

    // Replaces whatever is at path. False with the reason in `why`.
    bool create(const QString& path, std::size_t size, QString& why);

    // Whatever Tavrik or another program did to the file, a range it no longer holds (it was
    // cut short) reads as empty and is not written: the block is never grown back.
    QByteArray read(std::size_t offset, std::size_t length) const;
    bool write(std::size_t offset, const QByteArray& bytes);

private:
    bool holds(std::size_t offset, std::size_t length) const;

    int fd_ = -1;
    QString path_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

} // namespace tavrik::standin
