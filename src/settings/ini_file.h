#pragma once

#include <QString>

#include <functional>

namespace tavrik {

// One initialization file on the disk. Every read looks at the file afresh; every write
// re-reads it under the file's lock, changes one line and replaces the file in one step, so a
// crash or a second copy of the program never loses or tears a key.
class IniFile {
public:
    // What a read hands back at most: the rest of a 2000-character buffer after its NUL.
    static constexpr qsizetype kLongestValue = 1999;

    explicit IniFile(QString path);

    const QString& path() const { return path_; }

    // The key's value in the section, or `defaultValue` when the file, the section or the key
    // is missing; either way without its blanks and cut to `longest` characters. A key with nothing after its
    // equals sign reads as the empty text.
    QString read(const QString& section, const QString& key, const QString& defaultValue,
                 qsizetype longest = kLongestValue) const;

    // Stores the value, creating the file on the first write. False when nothing was changed
    // (folder or file not writable, disk full, lock not obtained, a name or value that cannot
    // be one line); the file is then as it was.
    bool write(const QString& section, const QString& key, const QString& value) const;

    // Creates the file as a byte-for-byte copy of `source`; false, changing nothing, when the
    // file exists already or the source cannot be read.
    bool createAsCopyOf(const QString& source) const;

    // Runs inside every write, once the new text is safely on the disk and before it takes
    // the file's place: lets a test kill a writer at the worst moment.
    void setBeforeReplaceHook(std::function<void()> hook) { beforeReplace_ = std::move(hook); }

private:
    QString targetPath() const;

    QString path_;
    std::function<void()> beforeReplace_;
};

} // namespace tavrik
