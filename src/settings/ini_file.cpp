#include "settings/ini_file.h"

#include "settings/atomic_file.h"
#include "settings/ini_document.h"

#include <QFile>
#include <QFileInfo>

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

bool MayWrite(const QString& path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

} // namespace

IniFile::IniFile(QString path)
    : path_(std::move(path))
{
}

QString IniFile::read(const QString& section, const QString& key, const QString& defaultValue,
                      qsizetype longest) const
{
    // The default is trimmed like a stored value, so both read alike.
    const FileContent content = ReadWholeFile(path_);
    if (content.status != FileContent::Status::Read)
        return CutToLongest(defaultValue.trimmed(), longest);
    const auto value = IniDocument::Parse(content.bytes).value(section, key);
    return CutToLongest(value ? *value : defaultValue.trimmed(), longest);
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

bool IniFile::write(const QString& section, const QString& key, const QString& value) const
{
    if (!IniDocument::IsStorable(section, key, value))
        return false;
    const QString target = targetPath();
    const FileLock lock(target);
    if (!lock.held())
        return false;
    RemoveStaleTemporaries(target);

    const FileContent current = ReadWholeFile(target);
    if (current.status == FileContent::Status::Unreadable)
        return false;
    // A file the operator made read-only stays as it is.
    if (current.status == FileContent::Status::Read && !MayWrite(target))
        return false;
    IniDocument doc = IniDocument::Parse(current.bytes);
    doc.set(section, key, value);
    const QByteArray bytes = doc.serialize();
    if (current.status == FileContent::Status::Read && bytes == current.bytes)
        return true;
    return ReplaceFile(target, bytes, beforeReplace_);
}

bool IniFile::createAsCopyOf(const QString& source) const
{
    const QString target = targetPath();
    const FileLock lock(target);
    if (!lock.held())
        return false;
    RemoveStaleTemporaries(target);
    if (ReadWholeFile(target).status != FileContent::Status::Missing)
        return false;
    const FileContent original = ReadWholeFile(source);
    if (original.status != FileContent::Status::Read)
        return false;
    return ReplaceFile(target, original.bytes, beforeReplace_);
}

} // namespace tavrik
