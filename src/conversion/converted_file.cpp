#include "conversion/converted_file.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tavrik::conversion {

namespace {

constexpr QByteArrayView kHeader
    = "ADIF Vorbel format converted to more user friendly Vorbel32 format.\r\n"
      "\r\n"
      "<EOH>\r\n"
      "\r\n";

// Every byte reaches the file or the errno of the failure comes back: a write that stops
// short on a full disk is followed by one that names the cause.
int WriteAll(int fd, QByteArrayView bytes)
{
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += written;
        left -= written;
    }
    return 0;
}

QString Describe(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

ConvertedFile::ConvertedFile(QString programFolder, QString inputFolder)
    : programFolder_(std::move(programFolder)), inputFolder_(std::move(inputFolder))
{
}

ConvertedFile::~ConvertedFile()
{
    close();
}

void ConvertedFile::close()
{
    if (fd_ < 0)
        return;
    ::close(fd_);
    fd_ = -1;
}

bool ConvertedFile::write(QByteArrayView record, QString& error, const std::function<bool()>& goOn)
{
    if (fd_ < 0 && !open(error))
        return false;
    // Unbuffered: a full disk must fail the record being written, not a later close that
    // nobody checks, or the summary would count records that never reached the file. The
    // record and its line end go one after the other: a huge record is never copied.
    constexpr qsizetype kPiece = 8 << 20;
    int failure = 0;
    bool stopped = false;
    for (qsizetype done = 0; done < record.size() && failure == 0 && !stopped; done += kPiece) {
        failure = WriteAll(fd_, record.sliced(done, std::min(kPiece, record.size() - done)));
        stopped = goOn && done + kPiece < record.size() && !goOn();
    }
    if (failure == 0 && !stopped)
        failure = WriteAll(fd_, "\r\n");
    if (failure || stopped) {
        // Half a record would be imported as a damaged contact.
        [[maybe_unused]] const int ignored = ::ftruncate(fd_, wholeEnd_);
        ::lseek(fd_, wholeEnd_, SEEK_SET);
        error = failure ? Describe(failure) : QString();
        return false;
    }
    wholeEnd_ += record.size() + 2;
    return true;
}

bool ConvertedFile::open(QString& error)
{
    inProgramFolder_ = true;
    int failure = openIn(programFolder_);
    if (failure == 0)
        return true;
    error = Describe(failure);
    const bool sameFolder = QFileInfo(programFolder_).canonicalFilePath()
        == QFileInfo(inputFolder_).canonicalFilePath();
    if (sameFolder)
        return false;
    inProgramFolder_ = false;
    failure = openIn(inputFolder_);
    if (failure == 0)
        return true;
    error = Describe(failure);
    return false;
}

int ConvertedFile::openIn(const QString& folder)
{
    path_ = QDir(folder).filePath(kFileName);
    const QByteArray native = QFile::encodeName(path_);
    // Removed rather than truncated: the old file may be the very input being read.
    ::unlink(native.constData());
    fd_ = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0)
        return errno;
    wholeEnd_ = 0;
    if (const int failure = WriteAll(fd_, kHeader)) {
        close();
        ::unlink(native.constData());
        return failure;
    }
    wholeEnd_ = kHeader.size();
    return 0;
}

} // namespace tavrik::conversion
