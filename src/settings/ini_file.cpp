#include "settings/ini_file.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace tavrik {
namespace {

// Counts characters, so a character outside the basic plane is never cut in half.
QString CutToLongest(const QString& text, qsizetype longest)
{
    if (text.size() <= longest)
        return text;
    qsizetype units = 0;
    for (qsizetype characters = 0; characters < longest && units < text.size(); ++characters) {
        const bool pair = text.at(units).isHighSurrogate() && units + 1 < text.size()
            && text.at(units + 1).isLowSurrogate();
        units += pair ? 2 : 1;
    }
    return text.left(units);
}

bool FolderWritable(const QString& path)
{
    return ::access(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), W_OK) == 0;
}

QString SystemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

WriteResult LockFailure(const FileLock& lock, std::chrono::milliseconds patience)
{
    if (lock.status() == FileLock::Status::TimedOut) {
        return WriteResult::Failed(QStringLiteral("the file stayed locked by another program for %1 seconds")
                                       .arg(static_cast<double>(patience.count()) / 1000.0));
    }
    return WriteResult::Failed(SystemError(lock.error()));
}

} // namespace

IniFile::IniFile(QString path, std::chrono::milliseconds lockPatience)
    : path_(std::move(path))
    , lockPatience_(lockPatience)
{
}

QString IniFile::read(const QString& section, const QString& key, const QString& defaultValue,
                      qsizetype longest) const
{
    const FileContent content = ReadWholeFile(path_);
    const IniDocument document =
        content.status == FileContent::Status::Read ? IniDocument::Parse(content.bytes) : IniDocument();
    return ReadProfileValue(document, section, key, defaultValue, longest);
}

QString ReadProfileValue(const IniDocument& document, const QString& section, const QString& key,
                         const QString& defaultValue, qsizetype longest)
{
    // The default is trimmed like a stored value, so both read alike.
    const auto value = document.value(section, key);
    return CutToLongest(value ? *value : TrimIniBlanks(defaultValue), longest);
}

// A settings file reached through a link is written where the link points, so the link stays.
QString IniFile::targetPath() const
{
    const QFileInfo info(path_);
    if (!info.isSymLink())
        return path_;
    const QString resolved = info.canonicalFilePath();
    return resolved.isEmpty() ? info.symLinkTarget() : resolved;
}

int IniFile::store(const FileLock& lock, const QString& target, const QByteArray& old, const QByteArray& bytes) const
{
    if (FolderWritable(target)) {
        RemoveStaleTemporaries(target);
        const int error = ReplaceFile(target, bytes, beforeReplace_);
        // A folder that refuses new files after all (a sticky folder of another user) still
        // leaves the file itself.
        if (error != EACCES && error != EPERM)
            return error;
    }
    return RewriteInPlace(lock.fd(), old, bytes, beforeReplace_);
}

WriteResult IniFile::write(const QString& section, const QString& key, const QString& value) const
{
    IniDocument ignored;
    return write(section, key, value, ignored);
}

WriteResult IniFile::write(const QString& section, const QString& key, const QString& value, IniDocument& now) const
{
    if (!IniDocument::IsStorable(section, key, value))
        return WriteResult::Failed(QStringLiteral("the name or the value does not fit on one line"));
    const QString target = targetPath();
    const FileLock lock(target, FileLock::Kind::Exclusive, true, lockPatience_);
    if (!lock.held())
        return LockFailure(lock, lockPatience_);

    const FileContent current = ReadWholeFile(lock.fd());
    if (current.status != FileContent::Status::Read)
        return WriteResult::Failed(SystemError(EIO));
    IniDocument doc = IniDocument::Parse(current.bytes);
    doc.set(section, key, value);
    const QByteArray bytes = doc.serialize();
    if (bytes != current.bytes) {
        if (const int error = store(lock, target, current.bytes, bytes); error != 0)
            return WriteResult::Failed(SystemError(error));
    }
    now = std::move(doc);
    return WriteResult::Done();
}

bool IniFile::createAsCopyOf(const QString& source) const
{
    const QString target = targetPath();
    if (ReadWholeFile(target).status != FileContent::Status::Missing)
        return false;
    // Read before the lock: the source usually shares the folder that the lock holds.
    const FileContent original = ReadWholeFile(source);
    if (original.status != FileContent::Status::Read)
        return false;
    const FileLock lock(target, FileLock::Kind::Exclusive, true, lockPatience_);
    if (!lock.held())
        return false;
    // Another copy of the program may have been first.
    const FileContent current = ReadWholeFile(lock.fd());
    if (current.status != FileContent::Status::Read || !current.bytes.isEmpty())
        return false;
    return store(lock, target, current.bytes, original.bytes) == 0;
}

} // namespace tavrik
