#pragma once

#include <QString>

namespace tavrik {

// Where the shared block and the message sockets live: $TAVRIK_RUNTIME_DIR when set (tests and
// side-by-side installations), else $XDG_RUNTIME_DIR/tavrik, else /tmp/tavrik-<uid>.
QString RuntimeDirPath();

// Anyone who can write into the directory could plant a block whose command slot presses the
// operator's keys, so only a private directory is used.
enum class RuntimeDirStatus {
    Ready,
    Missing,
    CannotCreate,
    NotADirectory, // includes a symbolic link in its place
    WrongOwner,
    OpenToOthers,  // group or others may write
};

struct RuntimeDir {
    QString path;
    RuntimeDirStatus status = RuntimeDirStatus::Missing;
    bool ready() const { return status == RuntimeDirStatus::Ready; }
    // The refusal in words, naming the directory.
    QString problem() const;
};

// Tavrik's side: the directory must already exist and be private.
RuntimeDir CheckRuntimeDir();
// The logging program's side: creates the directory with mode 0700 when missing.
RuntimeDir PrepareRuntimeDir();

// The same checks on any path, for callers that keep the directory elsewhere.
RuntimeDirStatus CheckPrivateDir(const QString& path);

} // namespace tavrik
