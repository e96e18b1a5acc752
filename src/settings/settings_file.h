#pragma once

#include "settings/ini_document.h"
#include "settings/ini_file.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace tavrik {

// TAVRIK.INI of this run: where it lives, its creation, and the one-value reads and writes
// that every other part of the program goes through. The file is read once, at the first
// read, and its text kept: reads come from that copy, and each write, which still re-reads
// the file under its lock and stores at once, leaves the copy as the file now is.
class SettingsFile {
public:
    static constexpr const char* kFileName = "TAVRIK.INI";

    // `argumentText` is the command-line argument exactly as passed; it names a profile that
    // lives beside the default file ("2" gives 2TAVRIK.INI).
    SettingsFile(QString programDir, QString argumentText);

    // The program's folder, then the argument, then TAVRIK.INI. An installed program cannot
    // write its own folder: when that folder holds no such file and cannot be written, the
    // file lives in $XDG_CONFIG_HOME/tavrik (by default ~/.config/tavrik) instead.
    static QString ResolveSettingsPath(const QString& programDir, const QString& argumentText);
    // The same with the test of a folder's writability given.
    static QString ResolveSettingsPath(const QString& programDir, const QString& argumentText,
                                       const std::function<bool(const QString& folder)>& folderWritable);

    // Makes sure the file exists: a new profile starts as a copy of the default file, and
    // every new file gets its creation stamp. Errors are not reported.
    void PrepareSettingsFile();
    void StampSettingsFile();

    void setReadSection(const QString& section) { readSection_ = section; }
    const QString& readSection() const { return readSection_; }

    // The key of the current read section, blanks trimmed, or the default; cut to `longest`
    // characters, which only the macro texts read beyond the usual limit.
    QString ReadSetting(const QString& key, const QString& defaultValue,
                        qsizetype longest = IniFile::kLongestValue) const;
    // The same from a named section, leaving the current read section alone.
    QString ReadSetting(const QString& section, const QString& key, const QString& defaultValue,
                        qsizetype longest) const;
    // Stores at once, unless writes are held. A failed write changes nothing; the operator is
    // told through the reporter.
    void WriteSetting(const QString& section, const QString& key, const QString& value) const;

    // While held, writes wait in memory, where reads find them: a write waits for the disk,
    // and the send loop must not. Releasing stores them in the order they were made.
    void holdWrites() { held_ = true; }
    void releaseWrites();
    bool writesHeld() const { return held_; }

    // Told, with a message for the operator, when a setting cannot be saved: once, and again
    // only after a write has succeeded in between, so a file that cannot be written gives one
    // message and not one a keystroke.
    void setSaveProblemReporter(std::function<void(const QString& message)> reporter)
    {
        reporter_ = std::move(reporter);
    }
    static QString SaveProblemText(const QString& key, const QString& path, const QString& why);
    static constexpr const char* kSaveProblemTitle = "Setting not saved";

    const QString& path() const { return path_; }

    // "HH:MM:SS MMMM DD, YYYY", the month named in `locale`'s language.
    static QString FormatCreateStamp(const QDateTime& time, const QLocale& locale);

private:
    const IniDocument& document() const;

    QString programDir_;
    QString argumentText_;
    QString path_;
    QString readSection_;
    std::function<void(const QString&)> reporter_;
    mutable bool problemReported_ = false;
    bool held_ = false;
    struct HeldWrite {
        QString section;
        QString key;
        QString value;
    };
    mutable std::vector<HeldWrite> heldWrites_;
    mutable std::optional<IniDocument> document_;
};

} // namespace tavrik
