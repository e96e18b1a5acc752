#pragma once

#include <QByteArrayView>
#include <QFile>
#include <QString>

namespace tavrik::conversion {

// CONVERTED.ADI, recreated by each run at its first record. It belongs in the program's
// folder; where that folder cannot be written (an installed program) it goes beside the input.
class ConvertedFile {
public:
    static constexpr const char* kFileName = "CONVERTED.ADI";

    ConvertedFile(QString programFolder, QString inputFolder);

    // Writes one record as one line; the first call replaces the file and writes the header.
    // On failure returns false and puts the system's description into `error`.
    bool write(QByteArrayView record, QString& error);
    void close() { file_.close(); }

    QString path() const { return file_.fileName(); }
    bool inProgramFolder() const { return inProgramFolder_; }

private:
    bool open(QString& error);
    bool openIn(const QString& folder);

    QString programFolder_;
    QString inputFolder_;
    QFile file_;
    bool inProgramFolder_ = true;
};

} // namespace tavrik::conversion
