#pragma once

#include "settings/atomic_file.h"
#include "settings/ini_document.h"

#include <QString>

#include <chrono>
#include <functional>

namespace tavrik {

// What became of a write: done, or why nothing was changed, in words for the operator.
class WriteResult {
public:
    static WriteResult Done() { return WriteResult(QString()); }
    static WriteResult Failed(QString why) { return WriteResult(std::move(why)); }

    explicit operator bool() const { return why_.isEmpty(); }
    const QString& why() const { return why_; }

private:
    explicit WriteResult(QString why) : why_(std::move(why)) {}
    QString why_;
};

// One initialization file on the disk. Every read looks at the file afresh; every write
// re-reads it under the file's lock and changes one line. Where the folder can be written the
// file is replaced in one step, so a crash never tears it; where only the file itself can be
// written, it is rewritten in place.
class IniFile {
public:
    // What a read hands back at most: the rest of a 2000-character buffer after its NUL.
    static constexpr qsizetype kLongestValue = 1999;

    explicit IniFile(QString path, std::chrono::milliseconds lockPatience = FileLock::kPatience);

    const QString& path() const { return path_; }

    // The key's value in the section, or `defaultValue` when the file, the section or the key
    // is missing; either way without its blanks and cut to `longest` characters. A key with
    // nothing after its equals sign reads as the empty text.
    QString read(const QString& section, const QString& key, const QString& defaultValue,
                 qsizetype longest = kLongestValue) const;

    // Stores the value, creating the file on the first write. On failure (file not writable,
    // disk full, lock still taken after the patience, a name or value that cannot be one line)
    // the file is as it was.
    WriteResult write(const QString& section, const QString& key, const QString& value) const;
    // The same, and on success gives back in `now` the file's text as the write left it,
    // changes of other writers included.
    WriteResult write(const QString& section, const QString& key, const QString& value, IniDocument& now) const;

    // Creates the file as a byte-for-byte copy of `source`; false, changing nothing, when the
    // file exists already or the source cannot be read.
    bool createAsCopyOf(const QString& source) const;

    // Runs inside every write, once the new text is safely on the disk and before it takes
    // the file's place: lets a test kill a writer at the worst moment.
    void setBeforeReplaceHook(std::function<void()> hook) { beforeReplace_ = std::move(hook); }

private:
    QString targetPath() const;
    int store(const FileLock& lock, const QString& target, const QByteArray& old, const QByteArray& bytes) const;

    QString path_;
    std::chrono::milliseconds lockPatience_;
    std::function<void()> beforeReplace_;
};

// What a read of the key gives from the file's text `document`: as IniFile::read describes.
QString ReadProfileValue(const IniDocument& document, const QString& section, const QString& key,
                         const QString& defaultValue, qsizetype longest = IniFile::kLongestValue);

} // namespace tavrik
