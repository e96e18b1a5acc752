#include "discseek/answer_file.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace discseek {
namespace {

QString ErrnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The mode a newly created file gets here: what the user's umask leaves of rw-rw-rw-.
mode_t NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

QString WriteAnswerFile(const QString& path, const QByteArray& line)
{
    // The folder may be one others write to: whatever lies at the name (a link to another
    // file among them) is replaced, never followed. The temporary file is made exclusively,
    // so a name planted there in advance is refused rather than written through.
    const QFileInfo target(path);
    QByteArray temporary = QFile::encodeName(target.absolutePath() + QStringLiteral("/.Discseek.dat.XXXXXX"));
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return ErrnoText(errno);
    const QByteArray contents = line + "\r\n";
    int failure = 0;
    qsizetype done = 0;
    while (done < contents.size() && failure == 0) {
        const ssize_t written = ::write(fd, contents.constData() + done, static_cast<size_t>(contents.size() - done));
        if (written > 0)
            done += written;
        else if (written < 0 && errno != EINTR)
            failure = errno;
    }
    if (failure == 0 && ::fchmod(fd, NewFileMode()) != 0)
        failure = errno;
    if (::close(fd) != 0 && failure == 0)
        failure = errno;
    if (failure == 0 && ::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0)
        failure = errno;
    if (failure != 0) {
        ::unlink(temporary.constData());
        return ErrnoText(failure);
    }
    return {};
}

} // namespace discseek
