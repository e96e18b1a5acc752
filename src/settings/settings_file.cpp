#include "settings/settings_file.h"

#include "common/trim_at_nul.h"
#include "platform/settings_location.h"
#include "settings/ini_document.h"
#include "settings/ini_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace tavrik {
namespace {

bool FileIsMissing(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return false;
    }
    return errno == ENOENT;
}

} // namespace

SettingsFile::SettingsFile(QString programDir, QString argumentText)
    : programDir_(std::move(programDir))
    , argumentText_(std::move(argumentText))
    , path_(ResolveSettingsPath(programDir_, argumentText_))
{
}

QString SettingsFile::ResolveSettingsPath(const QString& programDir, const QString& argumentText)
{
    return SettingsFileLocation(programDir, argumentText + QLatin1String(kFileName));
}

QString SettingsFile::ResolveSettingsPath(const QString& programDir, const QString& argumentText,
                                          const std::function<bool(const QString&)>& folderWritable)
{
    return SettingsFileLocation(programDir, argumentText + QLatin1String(kFileName), folderWritable);
}

void SettingsFile::PrepareSettingsFile()
{
    if (!FileIsMissing(path_))
        return;
    QDir().mkpath(QFileInfo(path_).absolutePath());
    if (!argumentText_.isEmpty()) {
        // The default profile is wherever a plain start would find it.
        IniFile(path_).createAsCopyOf(ResolveSettingsPath(programDir_, QString()));
        document_.reset();
    }
    StampSettingsFile();
}

void SettingsFile::StampSettingsFile()
{
    WriteSetting(QStringLiteral("Initialized"), QStringLiteral("Create Date/Time"),
                 FormatCreateStamp(QDateTime::currentDateTime(), QLocale::system()));
}

const IniDocument& SettingsFile::document() const
{
    if (!document_) {
        const FileContent content = ReadWholeFile(path_);
        document_ = content.status == FileContent::Status::Read ? IniDocument::Parse(content.bytes) : IniDocument();
    }
    return *document_;
}

QString SettingsFile::ReadSetting(const QString& key, const QString& defaultValue, qsizetype longest) const
{
    return ReadSetting(readSection_, key, defaultValue, longest);
}

QString SettingsFile::ReadSetting(const QString& section, const QString& key, const QString& defaultValue,
                                  qsizetype longest) const
{
    for (auto w = heldWrites_.rbegin(); w != heldWrites_.rend(); ++w) {
        if (w->section.compare(section, Qt::CaseInsensitive) == 0 && w->key.compare(key, Qt::CaseInsensitive) == 0)
            return TrimAtNul(TrimIniBlanks(w->value).left(longest) + QChar(u'\0'));
    }
    // The value comes through a NUL-ended buffer, as from the platform call.
    return TrimAtNul(ReadProfileValue(document(), section, key, defaultValue, longest) + QChar(u'\0'));
}

void SettingsFile::WriteSetting(const QString& section, const QString& key, const QString& value) const
{
    if (held_) {
        heldWrites_.push_back({section, key, value});
        return;
    }
    IniDocument now;
    const WriteResult result = IniFile(path_).write(section, key, value, now);
    if (result) {
        document_ = std::move(now);
        problemReported_ = false;
        return;
    }
    if (problemReported_ || !reporter_)
        return;
    problemReported_ = true;
    reporter_(SaveProblemText(key, path_, result.why()));
}

void SettingsFile::releaseWrites()
{
    held_ = false;
    std::vector<HeldWrite> writes;
    writes.swap(heldWrites_);
    for (const HeldWrite& w : writes)
        WriteSetting(w.section, w.key, w.value);
}

QString SettingsFile::SaveProblemText(const QString& key, const QString& path, const QString& why)
{
    return QStringLiteral("Tavrik could not save the setting \"%1\" in %2: %3.\n\n"
                          "The change holds until Tavrik closes. Until a setting is saved again, "
                          "this message is not shown again.")
        .arg(key, QDir::toNativeSeparators(path), why);
}

QString SettingsFile::FormatCreateStamp(const QDateTime& time, const QLocale& locale)
{
    const QDate date = time.date();
    const QTime clock = time.time();
    return QStringLiteral("%1:%2:%3 %4 %5, %6")
        .arg(clock.hour(), 2, 10, QChar(u'0'))
        .arg(clock.minute(), 2, 10, QChar(u'0'))
        .arg(clock.second(), 2, 10, QChar(u'0'))
        .arg(locale.monthName(date.month(), QLocale::LongFormat))
        .arg(date.day(), 2, 10, QChar(u'0'))
        .arg(date.year(), 4, 10, QChar(u'0'));
}

} // namespace tavrik
