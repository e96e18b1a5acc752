#include "conversion/converted_file.h"

#include <QDir>
#include <QFileInfo>

namespace tavrik::conversion {

namespace {

constexpr QByteArrayView kHeader
    = "ADIF Vorbel format converted to more user friendly Vorbel32 format.\r\n"
      "\r\n"
      "<EOH>\r\n"
      "\r\n";

} // namespace

ConvertedFile::ConvertedFile(QString programFolder, QString inputFolder)
    : programFolder_(std::move(programFolder)), inputFolder_(std::move(inputFolder))
{
}

bool ConvertedFile::write(QByteArrayView record, QString& error)
{
    if (!file_.isOpen() && !open(error))
        return false;
    QByteArray line;
    line.reserve(record.size() + 2);
    line.append(record).append("\r\n");
    if (file_.write(line) != line.size()) {
        error = file_.errorString();
        return false;
    }
    return true;
}

bool ConvertedFile::open(QString& error)
{
    inProgramFolder_ = true;
    if (openIn(programFolder_))
        return true;
    error = file_.errorString();
    const bool sameFolder = QFileInfo(programFolder_).canonicalFilePath()
        == QFileInfo(inputFolder_).canonicalFilePath();
    if (sameFolder)
        return false;
    inProgramFolder_ = false;
    if (openIn(inputFolder_))
        return true;
    error = file_.errorString();
    return false;
}

bool ConvertedFile::openIn(const QString& folder)
{
    file_.setFileName(QDir(folder).filePath(kFileName));
    // Removed rather than truncated: the old file may be the very input being read.
    QFile::remove(file_.fileName());
    // Unbuffered: a full disk must fail the record being written, not a later close that
    // nobody checks, or the summary would count records that never reached the file.
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return false;
    if (file_.write(kHeader.data(), kHeader.size()) != kHeader.size()) {
        file_.close();
        return false;
    }
    return true;
}

} // namespace tavrik::conversion
