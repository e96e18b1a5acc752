#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>

#include <sys/types.h>

namespace tavrik::conversion {

// CONVERTED.ADI, recreated by each run at its first record. It belongs in the program's
// folder; where that folder cannot be written (an installed program) it goes beside the input.
// The file only ever holds whole records: one that cannot be written whole is cut off again.
class ConvertedFile {
public:
    static constexpr const char* kFileName = "CONVERTED.ADI";

    ConvertedFile(QString programFolder, QString inputFolder);
    ~ConvertedFile();
    ConvertedFile(const ConvertedFile&) = delete;
    ConvertedFile& operator=(const ConvertedFile&) = delete;

    // Writes one record as one line; the first call replaces the file and writes the header.
    // On failure returns false and puts the system's description of the cause into `error`.
    // A long record goes in pieces, with `goOn` asked between them: when it says no, the
    // record is cut off again and false comes back with `error` empty.
    bool write(QByteArrayView record, QString& error, const std::function<bool()>& goOn = {});
    void close();

    QString path() const { return path_; }
    bool inProgramFolder() const { return inProgramFolder_; }

private:
    bool open(QString& error);
    // 0, or the errno of the failure.
    int openIn(const QString& folder);

    QString programFolder_;
    QString inputFolder_;
    QString path_;
    int fd_ = -1;
    off_t wholeEnd_ = 0; // the end of the last whole record, or of the header
    bool inProgramFolder_ = true;
};

} // namespace tavrik::conversion
