#pragma once

#include <QString>

#include <functional>

namespace tavrik {

// Where the settings file `fileName` of a program in `programDir` lives. A file beside the
// program wins, and so does a program folder that can be written, so the build tree and
// portable copies keep their files beside the program; an installed program, whose folder
// the user cannot write, keeps them in $XDG_CONFIG_HOME/tavrik (by default ~/.config/tavrik).
QString SettingsFileLocation(const QString& programDir, const QString& fileName);
// The same with the test of a folder's writability given.
QString SettingsFileLocation(const QString& programDir, const QString& fileName,
                             const std::function<bool(const QString& folder)>& folderWritable);

} // namespace tavrik
