#pragma once

#include <QString>

namespace tavrik::standin {

// The directory where the block and the window's socket live: $TAVRIK_RUNTIME_DIR, else
// $XDG_RUNTIME_DIR/tavrik, else /tmp/tavrik-<uid>.
QString MeetingDirPath();

// Creates the directory (mode 0700) when missing. Refuses one that is a symbolic link, not a
// directory, another user's, or writable by group or others: whoever can write there could
// plant a block whose command slot keys the transmitter. False with the reason in `why`.
bool PrepareMeetingDir(const QString& path, QString& why);

} // namespace tavrik::standin
