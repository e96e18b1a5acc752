#include "platform/settings_location.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace tavrik {
namespace {

QString UserConfigFolder()
{
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    // The base directory rules ignore a relative value.
    const QString base = !configHome.isEmpty() && QDir::isAbsolutePath(configHome)
        ? configHome
        : QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/tavrik");
}

} // namespace

QString SettingsFileLocation(const QString& programDir, const QString& fileName)
{
    return SettingsFileLocation(programDir, fileName, [](const QString& folder) {
        return ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
    });
}

QString SettingsFileLocation(const QString& programDir, const QString& fileName,
                             const std::function<bool(const QString&)>& folderWritable)
{
    const QString beside = programDir + u'/' + fileName;
    if (QFileInfo::exists(beside) || folderWritable(QFileInfo(beside).absolutePath()))
        return beside;
    return UserConfigFolder() + u'/' + fileName;
}

} // namespace tavrik
